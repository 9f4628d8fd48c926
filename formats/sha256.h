// SHA-256 (FIPS 180-4) of a byte string, for the records of what was flashed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kq {

using Sha256Digest = std::array<uint8_t, 32>;

// Hashes bytes fed in any number of pieces.
class Sha256 {
public:
    Sha256();
    void update(const uint8_t* bytes, size_t count);
    void update(std::string_view bytes) { update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }
    // The digest of everything fed; the object is spent afterwards.
    Sha256Digest finish();

private:
    void compress(const uint8_t* block);

    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> block_{};
    size_t held_ = 0;          // bytes waiting in block_
    uint64_t totalBytes_ = 0;
};

// 64 lower-case hex digits of the digest of bytes.
std::string sha256Hex(std::string_view bytes);

}  // namespace kq
