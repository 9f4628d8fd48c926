// A recording host whose port is real: it records every call like
// RecordingHost (and presses stop the same way), but opens and closes the
// chosen port on the serial channel, so that a run talks to a simulated
// module on a pseudo-terminal.
#pragma once

#include "support/recording_host.h"

namespace kq::testing {

class SerialRecordingHost final : public UpgradeHost {
public:
    // The record, the controls and the stop triggers.
    test::RecordingHost& record() { return record_; }
    const test::RecordingHost& record() const { return record_; }

    UpgradeSettings readControls() override { return record_.readControls(); }
    void writeControls() override { record_.writeControls(); }
    void appendLog(std::string_view text) override { record_.appendLog(text); }
    void appendLogColoured(std::string_view text, int colour) override { record_.appendLogColoured(text, colour); }
    void appendTimestamp() override { record_.appendTimestamp(); }
    void showStatusPicture(int which) override { record_.showStatusPicture(which); }
    SelectedPortResult openSelectedPort(const UpgradeSettings& settings) override;
    void closeSelectedPort(const UpgradeSettings& settings) override;
    void noteHexFileTime(const std::string& path) override { record_.noteHexFileTime(path); }
    void showMessage(std::string_view text) override { record_.showMessage(text); }
    void pumpMessages() override { record_.pumpMessages(); }
    void waitMs(int ms) override { record_.waitMs(ms); }
    void setSectorLabel(std::string_view text) override { record_.setSectorLabel(text); }
    void setUpgradeCaption(std::string_view text) override { record_.setUpgradeCaption(text); }
    void reportProgress(int sector, int count) override { record_.reportProgress(sector, count); }
    void stepStarted(RunStep step) override { record_.stepStarted(step); }
    void handshakeUnanswered(int attempts) override { record_.handshakeUnanswered(attempts); }

private:
    test::RecordingHost record_;
};

}  // namespace kq::testing
