// When the database may be tried again after it could not be reached or
// refused a record: never sooner than the least interval after the last
// try (one connection attempt per 5 s at most while it is away), and later
// with each failure in a row, up to a longest wait. Time is given by the
// caller, so tests use their own clock.
#pragma once

#include <algorithm>
#include <chrono>

namespace kq::production {

constexpr std::chrono::milliseconds LeastRetryInterval{5000};
constexpr std::chrono::milliseconds LongestRetryInterval{60000};

class RetryGate {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit RetryGate(std::chrono::milliseconds least = LeastRetryInterval,
                       std::chrono::milliseconds longest = LongestRetryInterval)
        : least_(least), longest_(std::max(least, longest)) {}

    bool mayTry(TimePoint now) const { return !tried_ || now >= next_; }
    TimePoint nextTry() const { return next_; }
    int failuresInARow() const { return failures_; }

    // A try at now: reached is true when it got through.
    void tried(TimePoint now, bool reached) {
        tried_ = true;
        failures_ = reached ? 0 : failures_ + 1;
        auto wait = least_;
        for (int i = 1; i < failures_ && wait < longest_; ++i) wait *= 2;
        next_ = now + std::min(wait, longest_);
    }

private:
    std::chrono::milliseconds least_;
    std::chrono::milliseconds longest_;
    bool tried_ = false;
    int failures_ = 0;
    TimePoint next_{};
};

}  // namespace kq::production
