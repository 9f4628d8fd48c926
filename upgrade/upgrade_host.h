// What an upgrade run needs from its front end. The window's logic implements
// it (upgrade_window/), the command-line tool with a terminal, tests with a
// recorder.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "image/hex_image.h"
#include "upgrade/run_step.h"
#include "upgrade/upgrade_settings.h"

namespace kq {

// Log colour codes of appendLogColoured (only the low 8 bits count).
enum LogColour : int { LogBlue = 0, LogRed = 1, LogGreen = 2, LogYellow = 3, LogBlack = 4 };
// Status picture of showStatusPicture.
enum StatusPicture : int { PictureTick = 0, PictureCross = 1, PictureBlank = 255 };

// Result of openSelectedPort.
enum class SelectedPortResult : int {
    Opened = 0,      // the chosen port is open with the chosen line settings
    NoneChosen = 1,  // no port is chosen
    CannotOpen = 2,  // the chosen port failed to open
};

class UpgradeHost {
public:
    virtual ~UpgradeHost() = default;

    // Controls -> settings (the run keeps what this returns at its start).
    virtual UpgradeSettings readControls() = 0;
    // Settings -> controls.
    virtual void writeControls() = 0;

    virtual void appendLog(std::string_view text) = 0;
    virtual void appendLogColoured(std::string_view text, int colour) = 0;
    // The local time as "%Y-%m-%d %H:%M:%S" and "\r\n", appended like appendLog.
    virtual void appendTimestamp() = 0;

    virtual void showStatusPicture(int which) = 0;
    void blankStatusPicture() { showStatusPicture(PictureBlank); }

    // Opens the chosen port; logs its own red line when it cannot (openSelectedPortOn
    // below does all of this on the serial channel).
    virtual SelectedPortResult openSelectedPort(const UpgradeSettings& settings) = 0;
    virtual void closeSelectedPort(const UpgradeSettings& settings) = 0;

    // Shows the file's modification time and remembers the path.
    virtual void noteHexFileTime(const std::string& path) = 0;
    // A modal message box with one OK button; returns once dismissed.
    virtual void showMessage(std::string_view text) = 0;

    // Lets pending window events run (the stop button among them); never waits.
    virtual void pumpMessages() = 0;
    // A fixed wait during which no events are handled.
    virtual void waitMs(int ms) = 0;

    virtual void setSectorLabel(std::string_view text) = 0;
    virtual void setUpgradeCaption(std::string_view text) = 0;

    // Sector progress for progress displays: sector is the 0-based sector about
    // to be written, of count; sector == count once the last one is written.
    // The window shows it in its progress bar.
    virtual void reportProgress(int /*sector*/, int /*count*/) {}

    // The HEX file loaded and filled the image; report says what it may still
    // hide (its warnings are logged in yellow next). The window ignores it.
    virtual void fileLoaded(const HexLoadReport& /*report*/) {}
    // A step of the run begins (before its first log line). Every step at
    // which a run can end is announced, except CrcMismatch, an ending within
    // Check. The window ignores it.
    virtual void stepStarted(RunStep /*step*/) {}
    // The handshake has gone unanswered attempts times in a row; called after
    // each unanswered attempt, before the stop check that follows it. A host
    // that presses stop here ends the run there. The window ignores it.
    virtual void handshakeUnanswered(int /*attempts*/) {}
};

// The text of a log time stamp: t in local time as "%Y-%m-%d %H:%M:%S".
std::string timestampText(std::time_t t);

// The serial-channel way to open and close the chosen port, for real hosts.
SelectedPortResult openSelectedPortOn(UpgradeHost& host, const UpgradeSettings& settings);
void closeSelectedPortOn(const UpgradeSettings& settings);

}  // namespace kq
