// The upgrade host of one station cycle: the log goes into the cycle's record
// (red lines marked "! "), the progress and the steps to the station's state,
// and the station's stop, or a handshake that stays unanswered too long,
// press the run's stop button. The station holds the port's lock file for as
// long as it uses the port, and keeps the port open from cycle to cycle.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "production/log_writer.h"
#include "production/one_run.h"
#include "production/run_recorder.h"
#include "upgrade/upgrade_run.h"

namespace kq::production {

struct CycleHooks {
    std::function<bool()> stopRequested;         // the station is stopping
    std::function<void(int percent)> progress;   // sectors (or frames) written, 0..100
    std::function<int64_t()> monotonicMs;
    int handshakeTimeoutMs = 0;                   // 0: the handshake repeats until a stop
};

class StationHost final : public RunHost {
public:
    StationHost(const UpgradeSettings& settings, RunRecorder& recorder, CycleHooks hooks);

    void attach(UpgradeRun& run) override { run_ = &run; }
    void finish() override { recordLog_.finish(); }
    bool handshakeTimedOut() const override { return timedOut_; }

    UpgradeSettings readControls() override { return settings_; }
    void writeControls() override {}
    void appendLog(std::string_view text) override { recordLog_.append(text, LogBlack); }
    void appendLogColoured(std::string_view text, int colour) override { recordLog_.append(text, colour); }
    void appendTimestamp() override;
    void showStatusPicture(int) override {}
    SelectedPortResult openSelectedPort(const UpgradeSettings& settings) override;
    void closeSelectedPort(const UpgradeSettings& settings) override;
    void noteHexFileTime(const std::string&) override {}
    void showMessage(std::string_view text) override;
    void pumpMessages() override;
    void waitMs(int ms) override;
    void setSectorLabel(std::string_view) override {}
    void setUpgradeCaption(std::string_view) override {}
    void reportProgress(int sector, int count) override;
    void stepStarted(RunStep step) override;
    void handshakeUnanswered(int attempts) override;

private:
    void pressStop();

    const UpgradeSettings settings_;
    RunRecorder& recorder_;
    CycleHooks hooks_;
    LogWriter recordLog_;
    int64_t handshakeSinceMs_ = 0;
    bool stopPressed_ = false;
    bool timedOut_ = false;
    UpgradeRun* run_ = nullptr;
};

}  // namespace kq::production
