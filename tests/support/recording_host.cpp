#include "support/recording_host.h"

#include "upgrade/upgrade_run.h"

namespace kq::test {

namespace {
constexpr std::string_view TimestampText = "<time>\r\n";
}

std::string RecordingHost::logText() const {
    std::string text;
    for (const std::string& line : calls) {
        if (line == "timestamp") {
            text += TimestampText;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string_view kind = std::string_view(line).substr(0, colon);
        if (kind == "log" || kind == "red" || kind.starts_with("colour")) text += line.substr(colon + 1);
    }
    return text;
}

std::vector<std::string> RecordingHost::callsStartingWith(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : calls) {
        if (line.starts_with(prefix)) found.push_back(line);
    }
    return found;
}

int RecordingHost::count(std::string_view line) const {
    int n = 0;
    for (const std::string& recorded : calls) n += recorded == line ? 1 : 0;
    return n;
}

UpgradeSettings RecordingHost::readControls() {
    calls.push_back("readControls");
    return controls;
}

void RecordingHost::writeControls() { calls.push_back("writeControls"); }

void RecordingHost::appendLog(std::string_view text) {
    calls.push_back("log:" + std::string(text));
    if (!stopAfterLog_.empty() && text == stopAfterLog_) stopLogSeen_ = true;
}

void RecordingHost::appendLogColoured(std::string_view text, int colour) {
    const int code = colour & 0xFF;
    calls.push_back((code == LogRed ? std::string("red") : "colour" + std::to_string(code)) + ":" +
                    std::string(text));
    if (!stopAfterLog_.empty() && text == stopAfterLog_) stopLogSeen_ = true;
}

void RecordingHost::appendTimestamp() { calls.push_back("timestamp"); }

void RecordingHost::showStatusPicture(int which) { calls.push_back("picture:" + std::to_string(which)); }

SelectedPortResult RecordingHost::openSelectedPort(const UpgradeSettings& settings) {
    calls.push_back("open:" + std::to_string(settings.portNumber));
    if (openResult == SelectedPortResult::NoneChosen) appendLogColoured("通信口没有选择", LogRed);
    if (openResult == SelectedPortResult::CannotOpen) appendLogColoured("通信口打不开\r\n", LogRed);
    return openResult;
}

void RecordingHost::closeSelectedPort(const UpgradeSettings& settings) {
    calls.push_back("close:" + std::to_string(settings.portNumber));
}

void RecordingHost::noteHexFileTime(const std::string& path) { calls.push_back("note:" + path); }

void RecordingHost::showMessage(std::string_view text) { calls.push_back("message:" + std::string(text)); }

void RecordingHost::pumpMessages() {
    calls.push_back("pump");
    ++pumps_;
    const bool due = pumps_ == stopAtPump_ || (stopAtMs_ >= 0 && nowMs >= stopAtMs_) || stopLogSeen_ ||
                     stopAtNextPump_;
    if (due) {
        stopAtMs_ = -1;
        stopLogSeen_ = false;
        stopAfterLog_.clear();
        stopAtNextPump_ = false;
        pressStop();
    }
    if (onPump) onPump(pumps_);
}

void RecordingHost::waitMs(int ms) {
    calls.push_back("wait:" + std::to_string(ms));
    nowMs += ms;
}

void RecordingHost::setSectorLabel(std::string_view text) { calls.push_back("label:" + std::string(text)); }

void RecordingHost::setUpgradeCaption(std::string_view text) { calls.push_back("caption:" + std::string(text)); }

void RecordingHost::reportProgress(int sector, int count) {
    calls.push_back("progress:" + std::to_string(sector) + "/" + std::to_string(count));
}

void RecordingHost::stepStarted(RunStep step) { calls.push_back("step:" + std::string(runStepName(step))); }

void RecordingHost::handshakeUnanswered(int attempts) { calls.push_back("unanswered:" + std::to_string(attempts)); }

void RecordingHost::pressStop() {
    if (run_ != nullptr) run_->stopUpgrade();
}

}  // namespace kq::test
