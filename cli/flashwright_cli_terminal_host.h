// The upgrade host of flashwright-cli: the log on standard output, message
// boxes and the progress line on standard error, Ctrl-C and the handshake
// time-out as the stop button.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "flashwright_cli_log_writer.h"
#include "flashwright_cli_progress.h"
#include "upgrade/upgrade_run.h"

namespace kq::cli {

struct TerminalSetup {
    RedMarking marking = RedMarking::Prefix;
    bool progressLine = false;   // draw the progress line on err (err is a terminal)
    int handshakeTimeoutMs = 0;  // 0: the handshake repeats until Ctrl-C
};

struct TerminalClocks {
    std::function<int64_t()> monotonicMs;     // for rates and the handshake time-out
    std::function<std::string()> localTime;   // "%Y-%m-%d %H:%M:%S"
};

// The real clocks.
TerminalClocks systemClocks();

class TerminalHost final : public UpgradeHost {
public:
    TerminalHost(const UpgradeSettings& settings, const TerminalSetup& setup, std::FILE* out, std::FILE* err,
                 TerminalClocks clocks = systemClocks());

    // The run whose stop button Ctrl-C and the time-out press.
    void attach(UpgradeRun& run) { run_ = &run; }
    // After the run: hands over an open log line and wipes the progress line.
    void finish();

    UpgradeSettings readControls() override { return settings_; }
    void writeControls() override {}
    void appendLog(std::string_view text) override;
    void appendLogColoured(std::string_view text, int colour) override;
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
    void writeLine(std::string_view line);
    void errorLine(std::string_view text);
    void pressStop();
    void drawProgress();
    void wipeProgress();

    const UpgradeSettings settings_;
    const TerminalSetup setup_;
    std::FILE* out_;
    std::FILE* err_;
    TerminalClocks clocks_;
    LogWriter log_;
    ProgressLine progress_;
    bool progressShown_ = false;
    int64_t handshakeSinceMs_ = 0;  // when the handshake began
    UpgradeRun* run_ = nullptr;
};

}  // namespace kq::cli
