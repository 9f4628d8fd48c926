// The soak's front end for a run: opens the real port on the serial channel,
// keeps the run's log for a failure report, remembers the last status
// picture, and can press stop once a given line was logged. No waits and no
// window: the module is simulated and nobody watches.
#pragma once

#include <string>

#include "upgrade/upgrade_run.h"

namespace kq::soak {

class SoakHost final : public UpgradeHost {
public:
    explicit SoakHost(UpgradeSettings settings) : settings_(std::move(settings)) {}

    void attach(UpgradeRun& run) { run_ = &run; }
    // Press stop at the first pump after this line (text without its line end).
    void stopAfter(std::string line) { stopAfter_ = std::move(line) + "\r\n"; }

    const std::string& log() const { return log_; }
    int picture() const { return picture_; }

    UpgradeSettings readControls() override { return settings_; }
    void writeControls() override {}
    void appendLog(std::string_view text) override { note(text, ""); }
    void appendLogColoured(std::string_view text, int colour) override { note(text, colour == LogRed ? "! " : ""); }
    void appendTimestamp() override { log_ += "@time\n"; }
    void showStatusPicture(int which) override { picture_ = which; }
    SelectedPortResult openSelectedPort(const UpgradeSettings& settings) override {
        return openSelectedPortOn(*this, settings);
    }
    void closeSelectedPort(const UpgradeSettings& settings) override { closeSelectedPortOn(settings); }
    void noteHexFileTime(const std::string&) override {}
    void showMessage(std::string_view text) override { note(text, "message: "); }
    void pumpMessages() override;
    void waitMs(int) override {}
    void setSectorLabel(std::string_view) override {}
    void setUpgradeCaption(std::string_view) override {}

private:
    void note(std::string_view text, std::string_view mark);

    UpgradeSettings settings_;
    UpgradeRun* run_ = nullptr;
    std::string stopAfter_;
    bool stopDue_ = false;
    std::string log_;
    int picture_ = PictureBlank;
};

}  // namespace kq::soak
