// The upgrade host of flashwright-cli: the log as lines on the run console,
// message boxes as error lines, the run's state in its console row, Ctrl-C
// and the handshake time-out as the stop button, and the run's record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "production/log_writer.h"
#include "cli/progress.h"
#include "cli/run_console.h"
#include "production/port_jobs.h"
#include "production/run_recorder.h"
#include "upgrade/upgrade_run.h"

namespace kq::cli {

struct TerminalSetup {
    production::RedMarking marking = production::RedMarking::Prefix;
    int handshakeTimeoutMs = 0;  // 0: the handshake repeats until Ctrl-C
    std::string label;           // goes before the run's lines and in its row; "" for a lone run
    int row = -1;                // the run's row in the console; -1 for none
    bool rowShowsSteps = false;  // the row names each step (several runs); else only waits and progress
};

struct TerminalClocks {
    std::function<int64_t()> monotonicMs;     // for rates and the handshake time-out
    std::function<std::string()> localTime;   // "%Y-%m-%d %H:%M:%S"
};

// The real clocks.
TerminalClocks systemClocks();

// The row text of a handshake that goes unanswered.
std::string waitingText(int attempts);

class TerminalHost final : public production::RunHost {
public:
    // recorder, when given, hears every log line and step.
    TerminalHost(const UpgradeSettings& settings, const TerminalSetup& setup, RunConsole& console,
                 TerminalClocks clocks = systemClocks(), production::RunRecorder* recorder = nullptr);

    // The run whose stop button Ctrl-C and the time-out press.
    void attach(UpgradeRun& run) override { run_ = &run; }
    // After the run: hands over an open log line.
    void finish() override;

    // Whether the handshake time-out pressed stop.
    bool handshakeTimedOut() const override { return timedOut_; }

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
    void fileLoaded(const HexLoadReport& report) override;
    void stepStarted(RunStep step) override;
    void handshakeUnanswered(int attempts) override;

private:
    void appendColoured(std::string_view text, int colour);
    void pressStop();
    void showState(const std::string& state);

    const UpgradeSettings settings_;
    const TerminalSetup setup_;
    RunConsole& console_;
    TerminalClocks clocks_;
    production::RunRecorder* recorder_;
    production::LogWriter log_;        // the lines as shown
    production::LogWriter recordLog_;  // the same lines for the record, red marked "! "
    ProgressLine progress_;
    int64_t handshakeSinceMs_ = 0;  // when the handshake began
    bool stopPressed_ = false;
    bool timedOut_ = false;
    UpgradeRun* run_ = nullptr;
};

}  // namespace kq::cli
