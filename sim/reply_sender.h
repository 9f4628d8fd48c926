// Puts a reply on the line: optional noise in front, optionally in several
// pieces, and at the line's pace when pacing is on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/line_noise.h"
#include "sim/line_pacing.h"

namespace kq::sim {

inline constexpr int SplitGapMs = 3;        // pause between the pieces of a split reply, ms
inline constexpr int WriteStallMs = 500;    // how long a full line may block a write before bytes are dropped, ms

struct ReplyShaping {
    size_t noiseBytes = 0;  // noise bytes before every reply
    int pieces = 1;         // writes per reply
};

// Sizes of the pieces a run of count bytes is written in (at most count pieces, none empty).
std::vector<size_t> pieceSizes(size_t count, int pieces);

class ReplySender {
public:
    ReplySender(const LinePacer& pacer, const ReplyShaping& shaping) : pacer_(pacer), shaping_(shaping) {}

    // Noise bytes sent in front of every reply.
    size_t noiseBytes() const { return shaping_.noiseBytes; }
    // Writes to the non-blocking descriptor fd; stops early when a stop is
    // requested. Returns the bytes that reached the line, noise included.
    size_t send(int fd, const std::vector<uint8_t>& reply);

private:
    LinePacer pacer_;
    ReplyShaping shaping_;
    LineNoise noise_;
};

}  // namespace kq::sim
