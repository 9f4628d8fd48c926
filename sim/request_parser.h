// Finds request frames of both layouts in the byte stream from the line.
// Bytes may come in any pieces; garbage, stray 0x68 bytes and frames with a
// bad CRC or end byte are skipped; bytes after a frame stay for the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "link/link_frame.h"

namespace kq::sim {

enum class FrameLayout { Flash, Module };

struct Request {
    FrameLayout layout = FrameLayout::Flash;
    uint16_t code = 0;
    uint32_t address = 0;       // flash layout only
    ModuleAddress module{};     // module layout only
    std::vector<uint8_t> payload;
    int frameBytes = 0;         // length of the whole request on the line
    double firstByteMs = 0;     // when the read that brought its first byte happened
};

inline constexpr int MaxRequestFrameBytes = FrameBufferBytes;  // the flasher builds requests in 1024 bytes

class RequestParser {
public:
    // Appends bytes read at time nowMs (any monotonic millisecond scale).
    void feed(const uint8_t* bytes, size_t count, double nowMs);
    // The earliest complete, valid request, removed from the stream together
    // with whatever came before it; nothing when none is complete yet.
    std::optional<Request> next();

    size_t heldBytes() const { return held_.size(); }
    uint64_t skippedBytes() const { return skipped_; }

private:
    enum class Candidate { Valid, Incomplete, Invalid };
    static Candidate examine(const uint8_t* frame, size_t available, Request* request);
    void discard(size_t count);
    double arrivalOf(uint64_t streamPosition) const;

    struct Chunk {
        uint64_t start;  // stream position of the chunk's first byte
        double ms;       // when it was read
    };
    std::vector<uint8_t> held_;
    uint64_t heldStart_ = 0;  // stream position of held_[0]
    std::deque<Chunk> chunks_;
    uint64_t skipped_ = 0;
};

}  // namespace kq::sim
