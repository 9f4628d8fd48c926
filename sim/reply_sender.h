// Puts a reply on the line: optional noise in front, optionally in several
// pieces, at the line's pace when pacing is on, and held back as a USB
// adapter holds it when one is modelled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/line_noise.h"
#include "sim/line_pacing.h"

namespace kq::sim {

inline constexpr int SplitGapMs = 3;        // pause between the pieces of a split reply, ms
inline constexpr int WriteStallMs = 500;    // how long a full line may block a write before bytes are dropped, ms
// What a USB adapter passes on in one go: a full-speed packet of 64 bytes
// less its two status bytes.
inline constexpr size_t AdapterPacketBytes = 62;

struct ReplyShaping {
    size_t noiseBytes = 0;     // noise bytes before every reply
    int pieces = 1;            // writes per reply
    int adapterLatencyMs = 0;  // the adapter's latency timer; 0: no adapter between module and flasher
};

// Sizes of the pieces a run of count bytes is written in (at most count pieces, none empty).
std::vector<size_t> pieceSizes(size_t count, int pieces);

// One write of a reply: its bytes [offset, offset + size) go out atNs after
// the reply's start.
struct TimedWrite {
    int64_t atNs = 0;
    size_t offset = 0;
    size_t size = 0;
    bool operator==(const TimedWrite&) const = default;
};

// The writes that put count bytes on the line. A piece leaves once its last
// byte has crossed the wire (when replies are paced), split pieces a gap
// apart. Through an adapter the bytes are gathered as they arrive and passed
// on when adapterLatencyMs have passed since the first of them arrived, or
// once AdapterPacketBytes have gathered, whichever comes first.
std::vector<TimedWrite> replySchedule(size_t count, const LinePacer& pacer, const ReplyShaping& shaping);

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
