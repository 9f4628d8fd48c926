#include "cli/terminal_host.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "cli/interrupt.h"
#include "production/outcome.h"

namespace kq::cli {

using namespace kq::production;

namespace {

std::string localTimeText() { return timestampText(std::time(nullptr)); }

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TerminalClocks systemClocks() { return {steadyMs, localTimeText}; }

std::string waitingText(int attempts) { return "waiting for the module (attempt " + std::to_string(attempts) + ")"; }

TerminalHost::TerminalHost(const UpgradeSettings& settings, const TerminalSetup& setup, RunConsole& console,
                           TerminalClocks clocks, RunRecorder* recorder)
    : settings_(settings),
      setup_(setup),
      console_(console),
      clocks_(std::move(clocks)),
      recorder_(recorder),
      log_(setup.marking, [this](std::string_view line) { console_.logLine(setup_.label, line); }),
      recordLog_(RedMarking::Prefix, [this](std::string_view line) {
          if (recorder_ != nullptr) recorder_->line(line.substr(0, line.size() - 1));  // without its "\n"
      }) {}

void TerminalHost::finish() {
    log_.finish();
    recordLog_.finish();
}

void TerminalHost::appendLog(std::string_view text) { appendColoured(text, LogBlack); }

void TerminalHost::appendLogColoured(std::string_view text, int colour) { appendColoured(text, colour); }

void TerminalHost::appendColoured(std::string_view text, int colour) {
    log_.append(text, colour);
    recordLog_.append(text, colour);
}

void TerminalHost::appendTimestamp() { appendLog(clocks_.localTime() + "\r\n"); }

SelectedPortResult TerminalHost::openSelectedPort(const UpgradeSettings& settings) {
    return openSelectedPortOn(*this, settings);
}

void TerminalHost::closeSelectedPort(const UpgradeSettings& settings) { closeSelectedPortOn(settings); }

void TerminalHost::showMessage(std::string_view text) { console_.errorLine(setup_.label, text); }

void TerminalHost::pumpMessages() {
    if (!stopPressed_ && stopRequested()) pressStop();
}

void TerminalHost::waitMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void TerminalHost::stepStarted(RunStep step) {
    if (recorder_ != nullptr) recorder_->stepStarted(step);
    if (step == RunStep::Handshake) handshakeSinceMs_ = clocks_.monotonicMs();
    // A lone run's row shows only waits and progress; the progress bar stays
    // once the writes have begun.
    if (progress_.active()) return;
    showState(setup_.rowShowsSteps ? std::string(runStepName(step)) : std::string());
}

void TerminalHost::handshakeUnanswered(int attempts) {
    showState(waitingText(attempts));
    if (setup_.handshakeTimeoutMs <= 0 || clocks_.monotonicMs() - handshakeSinceMs_ < setup_.handshakeTimeoutMs) {
        return;
    }
    console_.errorLine(setup_.label, "no answer to the handshake within " +
                                         std::to_string(setup_.handshakeTimeoutMs) + " ms: stopping");
    timedOut_ = true;
    pressStop();
}

void TerminalHost::reportProgress(int sector, int count) {
    progress_.update(sector, count, clocks_.monotonicMs());
    showState(progress_.text());
}

void TerminalHost::pressStop() {
    stopPressed_ = true;
    if (run_ != nullptr) run_->stopUpgrade();
}

void TerminalHost::showState(const std::string& state) {
    if (setup_.row < 0) return;
    std::string text = setup_.label;
    if (!text.empty() && !state.empty()) text += "  ";
    text += state;
    if (setup_.label.empty() && state.empty()) text.clear();
    console_.setRow(setup_.row, std::move(text));
}

}  // namespace kq::cli
