#include "support/fake_station_control.h"

#include <chrono>
#include <cstdio>

namespace kq::test {

using production::PortActivity;
using production::StationState;

FakeStationControl::FakeStationControl() {
    state_.version = 1;
    state_.stationName = "line-3 station A";
    state_.recipe = {"app_v2.hex", std::string(64, 'a'), "kq581x", "nobackup", "0x2000", "0x3E000", 115200};
    for (int i = 0; i < 3; ++i) {
        production::PortState port;
        port.index = i;
        port.stableName = "usb-1.1." + std::to_string(i + 1);
        port.device = "/dev/ttyUSB" + std::to_string(i);
        port.activity = PortActivity::WaitingForOperator;
        port.moduleAddress = "00000000000" + std::to_string(i + 1);
        port.adapter = "USB 0403:6001 FTDI (ftdi_sio)";
        state_.ports.push_back(port);
    }
}

StationState FakeStationControl::snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

StationState FakeStationControl::waitForChange(uint64_t seenVersion, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return state_.version != seenVersion; });
    return state_;
}

void FakeStationControl::note(Request request) {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
}

bool FakeStationControl::startNextCycle(int port) {
    {
        std::lock_guard lock(mutex_);
        if (port < 0 || size_t(port) >= state_.ports.size() || state_.recipe.type == "local" ||
            state_.ports[size_t(port)].activity != PortActivity::WaitingForOperator)
            return false;
    }
    note({"next", port});
    return true;
}

bool FakeStationControl::startNextCycleEverywhere() {
    {
        std::lock_guard lock(mutex_);
        if (state_.recipe.type == "local") return false;
    }
    note({"next-all", -1});
    return true;
}

bool FakeStationControl::pausePort(int port) {
    {
        std::lock_guard lock(mutex_);
        if (port < 0 || size_t(port) >= state_.ports.size()) return false;
        auto& p = state_.ports[size_t(port)];
        if (p.activity == PortActivity::Paused) return false;
        p.activity = PortActivity::Paused;
        ++state_.version;
    }
    changed_.notify_all();
    note({"pause", port});
    return true;
}

bool FakeStationControl::resumePort(int port) {
    {
        std::lock_guard lock(mutex_);
        if (port < 0 || size_t(port) >= state_.ports.size()) return false;
        auto& p = state_.ports[size_t(port)];
        if (p.activity != PortActivity::Paused) return false;
        p.activity = state_.recipe.type == "local" ? PortActivity::WaitingForModule : PortActivity::WaitingForOperator;
        ++state_.version;
    }
    changed_.notify_all();
    note({"resume", port});
    return true;
}

void FakeStationControl::stopStation() {
    {
        std::lock_guard lock(mutex_);
        state_.stopping = true;
        ++state_.version;
    }
    changed_.notify_all();
    note({"stop", -1});
}

void FakeStationControl::change(const std::function<void(StationState&)>& edit) {
    {
        std::lock_guard lock(mutex_);
        edit(state_);
        ++state_.version;
    }
    changed_.notify_all();
}

void FakeStationControl::endCycle(int port, bool passed, const std::string& reason) {
    change([&](StationState& s) {
        auto& p = s.ports.at(size_t(port));
        production::CycleSummary cycle;
        cycle.cycle = ++p.cycles;
        // One cycle ended every 23 s across the station, from 08:00.
        long long at = 8 * 3600 + 23 * (s.totals.passed + s.totals.failed + 1);
        char finished[32];
        std::snprintf(finished, sizeof finished, "2026-12-09 %02lld:%02lld:%02lld.250", at / 3600 % 24, at / 60 % 60,
                      at % 60);
        cycle.finished = finished;
        cycle.moduleAddress = p.moduleAddress;
        cycle.passed = passed;
        cycle.result = passed ? "success" : "failed";
        cycle.reason = passed ? "" : reason;
        cycle.durationS = 21.4;
        p.last = cycle;
        p.cycleTimeS = cycle.durationS;
        p.progressPercent = 0;
        p.activity = s.recipe.type == "local" ? PortActivity::RemoveModule : PortActivity::WaitingForOperator;
        (passed ? p.counts.passed : p.counts.failed) += 1;
        (passed ? s.totals.passed : s.totals.failed) += 1;
        s.recent.insert(s.recent.begin(), cycle);
        s.recentPorts.insert(s.recentPorts.begin(), port);
        if (s.recent.size() > production::RecentCycles) {
            s.recent.resize(production::RecentCycles);
            s.recentPorts.resize(production::RecentCycles);
        }
    });
}

std::vector<FakeStationControl::Request> FakeStationControl::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace kq::test
