// Line pacing: on a real serial line bytes take time to travel (bits per
// character / baud rate each); a pseudo-terminal delivers them at once. The
// pacer tells how long a run of bytes spends on the wire, and sleeps precisely.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kq::sim {

enum class PaceMode {
    None,   // bytes travel instantly
    Reply,  // replies take their wire time
    Both,   // requests count as arrived one wire time after their first byte, replies as above
};

// Monotonic clock, nanoseconds and milliseconds.
int64_t monotonicNs();
double monotonicMs();

// Sleeps until the monotonic time deadlineNs (clock_nanosleep, no busy wait).
// Returns false when a stop was requested meanwhile.
bool sleepUntilNs(int64_t deadlineNs);

class LinePacer {
public:
    LinePacer(PaceMode mode, uint32_t baud, int bitsPerCharacter)
        : mode_(mode), baud_(baud), bitsPerCharacter_(bitsPerCharacter) {}

    bool pacesRequests() const { return mode_ == PaceMode::Both; }
    bool pacesReplies() const { return mode_ != PaceMode::None; }

    // Time that count bytes spend on the wire, ns.
    int64_t wireNs(size_t count) const;

private:
    PaceMode mode_;
    uint32_t baud_;
    int bitsPerCharacter_;
};

}  // namespace kq::sim
