// The flashwright window as the upgrade run's host: the log, the status
// picture, the chosen port, the sector label, the button caption, progress.
#include <chrono>
#include <thread>

#include "platform/file_time.h"
#include "tool_files/last_path_file.h"
#include "upgrade_window/log_colours.h"
#include "upgrade_window/upgrade_controls.h"
#include "upgrade_window/upgrade_window.h"

namespace kq {

using namespace upgrade_ids;

UpgradeSettings UpgradeWindow::readControls() {
    readValues();
    return values_.settings;
}

void UpgradeWindow::appendToLog(std::string_view text, TextColour colour, bool restoreDefaultFormat) {
    if (view_.textLength(LogBox) > LogTextLimit) view_.setText(LogBox, "");
    view_.appendText(LogBox, text, colour, restoreDefaultFormat);
}

void UpgradeWindow::appendLog(std::string_view text) {
    // A plain append leaves the insertion point in black.
    appendToLog(text, LogTextBlack, false);
    writeValues();
}

void UpgradeWindow::appendLogColoured(std::string_view text, int colour) {
    // Text added after a coloured line without a colour of its own starts in
    // the box's default format.
    appendToLog(text, logColour(colour), true);
    writeValues();
}

void UpgradeWindow::appendTimestamp() { appendLog(timestampText(services_.now()) + "\r\n"); }

void UpgradeWindow::showStatusPicture(int which) {
    view_.showPicture(upgrade_ids::StatusPicture, which == PictureTick    ? TickPicture
                                     : which == PictureCross ? CrossPicture
                                                             : BlankPicture);
}

SelectedPortResult UpgradeWindow::openSelectedPort(const UpgradeSettings& settings) {
    return openSelectedPortOn(*this, settings);
}

void UpgradeWindow::closeSelectedPort(const UpgradeSettings& settings) { closeSelectedPortOn(settings); }

void UpgradeWindow::noteHexFileTime(const std::string& path) {
    if (auto time = modifiedTimeText(path)) values_.hexFileTimeText = std::move(*time);
    // A remembered path that cannot be written is not worth interrupting the user for.
    writeLastPathFile(services_.folders.remembered, {values_.settings.hexPath, values_.hexFileTimeText});
}

void UpgradeWindow::showMessage(std::string_view text) { view_.showMessage(text, MessageIcon::Warning); }

void UpgradeWindow::pumpMessages() { view_.handlePendingEvents(); }

void UpgradeWindow::waitMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void UpgradeWindow::setSectorLabel(std::string_view text) { view_.setText(SectorLabel, text); }

void UpgradeWindow::setUpgradeCaption(std::string_view text) { view_.setText(UpgradeButton, text); }

void UpgradeWindow::reportProgress(int done, int count) { view_.setProgress(ProgressBar, done, count); }

}  // namespace kq
