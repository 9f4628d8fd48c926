#include "flashwright_cli_terminal_host.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "flashwright_cli_interrupt.h"

namespace kq::cli {

namespace {

constexpr std::string_view ToolPrefix = "flashwright-cli: ";
constexpr std::string_view WipeLine = "\r\x1b[K";  // to the line start, erase to its end

std::string localTimeText() { return timestampText(std::time(nullptr)); }

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TerminalClocks systemClocks() { return {steadyMs, localTimeText}; }

TerminalHost::TerminalHost(const UpgradeSettings& settings, const TerminalSetup& setup, std::FILE* out,
                           std::FILE* err, TerminalClocks clocks)
    : settings_(settings),
      setup_(setup),
      out_(out),
      err_(err),
      clocks_(std::move(clocks)),
      log_(setup.marking, [this](std::string_view line) { writeLine(line); }) {}

void TerminalHost::finish() {
    log_.finish();
    wipeProgress();
}

void TerminalHost::appendLog(std::string_view text) { log_.append(text, LogBlack); }

void TerminalHost::appendLogColoured(std::string_view text, int colour) { log_.append(text, colour); }

void TerminalHost::appendTimestamp() { appendLog(clocks_.localTime() + "\r\n"); }

SelectedPortResult TerminalHost::openSelectedPort(const UpgradeSettings& settings) {
    return openSelectedPortOn(*this, settings);
}

void TerminalHost::closeSelectedPort(const UpgradeSettings& settings) { closeSelectedPortOn(settings); }

void TerminalHost::showMessage(std::string_view text) { errorLine(text); }

void TerminalHost::pumpMessages() {
    if (takeStopRequest()) pressStop();
}

void TerminalHost::waitMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void TerminalHost::stepStarted(RunStep step) {
    if (step == RunStep::Handshake) handshakeSinceMs_ = clocks_.monotonicMs();
}

void TerminalHost::handshakeUnanswered(int /*attempts*/) {
    if (setup_.handshakeTimeoutMs <= 0 || clocks_.monotonicMs() - handshakeSinceMs_ < setup_.handshakeTimeoutMs) {
        return;
    }
    errorLine("no answer to the handshake within " + std::to_string(setup_.handshakeTimeoutMs) + " ms: stopping");
    pressStop();
}

void TerminalHost::reportProgress(int sector, int count) {
    progress_.update(sector, count, clocks_.monotonicMs());
    drawProgress();
}

void TerminalHost::writeLine(std::string_view line) {
    wipeProgress();
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    drawProgress();
}

void TerminalHost::errorLine(std::string_view text) {
    wipeProgress();
    std::string line(ToolPrefix);
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), err_);
    std::fflush(err_);
    drawProgress();
}

void TerminalHost::pressStop() {
    markStopPending();
    if (run_ != nullptr) run_->stopUpgrade();
}

void TerminalHost::drawProgress() {
    if (!setup_.progressLine || !progress_.active()) return;
    const std::string line = "\r" + progress_.text() + "\x1b[K";
    std::fwrite(line.data(), 1, line.size(), err_);
    std::fflush(err_);
    progressShown_ = true;
}

void TerminalHost::wipeProgress() {
    if (!progressShown_) return;
    std::fwrite(WipeLine.data(), 1, WipeLine.size(), err_);
    std::fflush(err_);
    progressShown_ = false;
}

}  // namespace kq::cli
