// A station without ports behind it, for the station view's tests: three
// ports of a remote recipe by default, a state the test changes through
// change() (each change counts the version up and wakes waitForChange), and
// a count of the requests that reached it.
#pragma once

#include "production/station_state.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kq::test {

class FakeStationControl final : public production::StationControl {
public:
    // Three ports waiting for the operator, a remote recipe ("nobackup").
    FakeStationControl();

    production::StationState snapshot() const override;
    production::StationState waitForChange(uint64_t seenVersion, int timeoutMs) const override;
    bool startNextCycle(int port) override;
    bool startNextCycleEverywhere() override;
    bool pausePort(int port) override;
    bool resumePort(int port) override;
    void stopStation() override;

    // Changes the state under the lock and announces it.
    void change(const std::function<void(production::StationState&)>& edit);
    // Ends port's cycle: passed, or failed with reason (counts, last, recent).
    void endCycle(int port, bool passed, const std::string& reason);

    struct Request {
        std::string action;  // "next", "next-all", "pause", "resume", "stop"
        int port = -1;
    };
    std::vector<Request> requests() const;

private:
    void note(Request request);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    production::StationState state_;
    std::vector<Request> requests_;
};

}  // namespace kq::test
