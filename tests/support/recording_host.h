// An UpgradeHost that records every call in order as one text line each, and
// presses "stop" (or anything else) at a chosen message pump.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "upgrade/upgrade_host.h"

namespace kq {
class UpgradeRun;
}

namespace kq::test {

// Recorded lines: "readControls", "writeControls", "log:<text>", "red:<text>",
// "colour<N>:<text>" (other colours), "timestamp", "picture:<which>",
// "open:<port>", "close:<port>", "note:<path>", "message:<text>", "pump",
// "wait:<ms>", "label:<text>", "caption:<text>", "progress:<sector>/<count>",
// "step:<name>" (runStepName), "unanswered:<attempts>",
// plus whatever note() adds (e.g. the commands, as "cmd:<name>").
class RecordingHost final : public UpgradeHost {
public:
    // What the controls hold: readControls returns it, tests may change it.
    UpgradeSettings controls;
    // Result of openSelectedPort; NoneChosen and CannotOpen log the red lines of the real host.
    SelectedPortResult openResult = SelectedPortResult::Opened;
    // Called at every pump with its 1-based number, after any stop due then.
    std::function<void(int pump)> onPump;

    std::vector<std::string> calls;
    int nowMs = 0;  // advanced by waitMs

    // The run whose stop button is pressed.
    void attach(UpgradeRun& run) { run_ = &run; }
    // Press stop at the n-th pump (1-based).
    void stopAtPump(int n) { stopAtPump_ = n; }
    // Press stop at the first pump at or after this time.
    void stopAtMs(int ms) { stopAtMs_ = ms; }
    // Press stop at the first pump after this text was logged (in any colour).
    void stopAfterLog(std::string_view text) { stopAfterLog_ = text; }
    // Press stop at the next pump (e.g. from a command hook).
    void stopAtNextPump() { stopAtNextPump_ = true; }

    void note(std::string line) { calls.push_back(std::move(line)); }

    int pumpCount() const { return pumps_; }
    // Every logged text, in order, joined (time stamps show as "<time>\r\n").
    std::string logText() const;
    // The recorded lines that start with prefix.
    std::vector<std::string> callsStartingWith(std::string_view prefix) const;
    // Number of recorded lines equal to line.
    int count(std::string_view line) const;

    UpgradeSettings readControls() override;
    void writeControls() override;
    void appendLog(std::string_view text) override;
    void appendLogColoured(std::string_view text, int colour) override;
    void appendTimestamp() override;
    void showStatusPicture(int which) override;
    SelectedPortResult openSelectedPort(const UpgradeSettings& settings) override;
    void closeSelectedPort(const UpgradeSettings& settings) override;
    void noteHexFileTime(const std::string& path) override;
    void showMessage(std::string_view text) override;
    void pumpMessages() override;
    void waitMs(int ms) override;
    void setSectorLabel(std::string_view text) override;
    void setUpgradeCaption(std::string_view text) override;
    void reportProgress(int sector, int count) override;
    void stepStarted(RunStep step) override;
    void handshakeUnanswered(int attempts) override;

private:
    void pressStop();

    UpgradeRun* run_ = nullptr;
    int pumps_ = 0;
    int stopAtPump_ = 0;
    int stopAtMs_ = -1;
    std::string stopAfterLog_;
    bool stopLogSeen_ = false;
    bool stopAtNextPump_ = false;
};

}  // namespace kq::test
