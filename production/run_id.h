// The run id: a random UUID (version 4) made by the program when a run
// starts. It names one record everywhere: in the journal, the outbox and the
// database, where it is the primary key.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kq::production {

constexpr size_t RunIdLength = 36;  // 8-4-4-4-12 lower-case hex digits

// A new run id from the system's random source; nullopt when the system
// gives no random bytes (never expected).
std::optional<std::string> newRunId();

// The text form of 16 random bytes, with the version (4) and variant (10xx) bits set.
std::string runIdFromBytes(const std::array<uint8_t, 16>& bytes);

// True for the text form of any UUID: 36 characters, hex digits in the
// 8-4-4-4-12 groups, lower case (as newRunId makes them).
bool isRunId(std::string_view text);

// Fills bytes from the system's random source (one file per OS).
bool systemRandomBytes(uint8_t* bytes, size_t count);

}  // namespace kq::production
