#include "sim/line_pacing.h"

#include <time.h>

#include <cerrno>

#include "sim/stop_signal.h"

namespace kq::sim {

namespace {

constexpr int64_t NsPerSecond = 1'000'000'000;

}  // namespace

int64_t monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * NsPerSecond + now.tv_nsec;
}

double monotonicMs() { return static_cast<double>(monotonicNs()) / 1e6; }

bool sleepUntilNs(int64_t deadlineNs) {
    const timespec deadline{static_cast<time_t>(deadlineNs / NsPerSecond), static_cast<long>(deadlineNs % NsPerSecond)};
    while (!stopRequested()) {
        const int result = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        if (result == 0) return true;
        if (result != EINTR) return !stopRequested();
    }
    return false;
}

int64_t LinePacer::wireNs(size_t count) const {
    if (baud_ == 0) return 0;
    return static_cast<int64_t>(count) * bitsPerCharacter_ * NsPerSecond / baud_;
}

}  // namespace kq::sim
