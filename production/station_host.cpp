#include "production/station_host.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "link/serial_port.h"

namespace kq::production {

StationHost::StationHost(const UpgradeSettings& settings, RunRecorder& recorder, CycleHooks hooks)
    : settings_(settings),
      recorder_(recorder),
      hooks_(std::move(hooks)),
      recordLog_(RedMarking::Prefix,
                 [this](std::string_view line) { recorder_.line(line.substr(0, line.size() - 1)); }) {}

void StationHost::appendTimestamp() { appendLog(timestampText(std::time(nullptr)) + "\r\n"); }

// The station opened the port with the recipe's line settings and keeps it
// open from cycle to cycle: a line closed right after the jump could lose the
// jump's last bytes with it, and the next handshakes need it open anyway.
SelectedPortResult StationHost::openSelectedPort(const UpgradeSettings& settings) {
    if (isClosed(int16_t(settings.portNumber)) == 0) return SelectedPortResult::Opened;
    return openSelectedPortOn(*this, settings);
}

void StationHost::closeSelectedPort(const UpgradeSettings&) {}

// No one is there to dismiss a message box: its text goes into the record.
void StationHost::showMessage(std::string_view text) {
    recordLog_.finish();
    recorder_.line(text);
}

void StationHost::pumpMessages() {
    if (!stopPressed_ && hooks_.stopRequested && hooks_.stopRequested()) pressStop();
}

void StationHost::waitMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void StationHost::reportProgress(int sector, int count) {
    if (hooks_.progress && count > 0) hooks_.progress(sector * 100 / count);
}

void StationHost::stepStarted(RunStep step) {
    recorder_.stepStarted(step);
    if (step == RunStep::Handshake && hooks_.monotonicMs) handshakeSinceMs_ = hooks_.monotonicMs();
}

// The module answered the station's handshake a moment ago; one that stops
// answering before its cycle begins is given the time-out, then the cycle ends.
void StationHost::handshakeUnanswered(int) {
    if (hooks_.handshakeTimeoutMs <= 0 || !hooks_.monotonicMs ||
        hooks_.monotonicMs() - handshakeSinceMs_ < hooks_.handshakeTimeoutMs) {
        return;
    }
    timedOut_ = true;
    pressStop();
}

void StationHost::pressStop() {
    stopPressed_ = true;
    if (run_ != nullptr) run_->stopUpgrade();
}

}  // namespace kq::production
