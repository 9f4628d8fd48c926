// The flashwright window's behaviour, without a toolkit: it owns every value
// a run reads and hosts the run itself. The run executes inside the click
// handler of "升级" and lets the window's events through between its steps
// (pumpMessages), so every handler here may run nested inside a run.
//
// It speaks to its window only through a DialogView, by the control ids of
// upgrade_controls.h, and takes the user's actions as WindowEvents.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "dialog_view/dialog_view.h"
#include "image/firmware_image.h"
#include "link/bootloader_commands.h"
#include "link/serial_port.h"
#include "upgrade/upgrade_host.h"
#include "upgrade/upgrade_run.h"
#include "upgrade_window/upgrade_window_services.h"

namespace kq {

// Every value of the window; the settings are what a run reads.
struct UpgradeWindowValues {
    UpgradeSettings settings;
    std::string hexFileTimeText;
    int savedPortIndex = 0;                // remembered item of the port box
    std::array<int, MaxPorts> portList{};  // port numbers in the order of the port box's items
    int portCount = 0;
};

inline constexpr int ModuleAddressMaxChars = 12;  // characters the address box takes

class UpgradeWindow final : public WindowEvents, public UpgradeHost {
public:
    // Touches neither the view nor any file until start().
    UpgradeWindow(DialogView& view, UpgradeWindowServices services = UpgradeWindowServices::standard());
    ~UpgradeWindow() override;
    UpgradeWindow(const UpgradeWindow&) = delete;
    UpgradeWindow& operator=(const UpgradeWindow&) = delete;

    // Once the view's controls exist: fills the lists, reads the parameter
    // file, shows the type's controls, lists the ports, reads the last-path
    // file and writes every value into the controls.
    void start();

    // ---- what the user does ----------------------------------------------------
    void clicked(int id) override;
    void droppingDown(int id) override;
    void selectionChanged(int id) override;
    void selectionConfirmed(int id) override;
    // Enter off the buttons ends the window like an OK button, after a read
    // that succeeds; Esc like a Cancel button. Both pass the close guard.
    void ok() override;
    void cancel() override;
    // The close guard: during a run it only asks the user to stop first;
    // otherwise the port is closed and the window ends.
    void closeRequested() override;

    // Button handlers.
    void runUpgrade();
    void stopUpgrade();
    void chooseHexFile();
    void saveParameterFile();
    void saveLog();
    void clearLog();

    // Rebuilds the port list and its box; every port is closed afterwards.
    void refreshPortList();
    // A change of chip or bootload type: the type rules, then the visibility.
    void applyTypeDefaults();
    // Shows the remote-with-backup controls only for that bootload type.
    void showTypeControls();

    // Data exchange. Reading stops at a box whose text is refused (an area
    // size that is not a whole number, an address over 12 characters), after
    // telling the user; the values from there on keep what they held.
    bool readValues();
    void writeValues();

    const UpgradeWindowValues& values() const { return values_; }
    bool upgradeRunning() const { return run_->upgradeRunning(); }

    // ---- the run's host -----------------------------------------------------------
    UpgradeSettings readControls() override;
    void writeControls() override { writeValues(); }
    void appendLog(std::string_view text) override;
    void appendLogColoured(std::string_view text, int colour) override;
    void appendTimestamp() override;
    void showStatusPicture(int which) override;
    SelectedPortResult openSelectedPort(const UpgradeSettings& settings) override;
    void closeSelectedPort(const UpgradeSettings& settings) override;
    void noteHexFileTime(const std::string& path) override;
    void showMessage(std::string_view text) override;
    void pumpMessages() override;
    void waitMs(int ms) override;
    void setSectorLabel(std::string_view text) override;
    void setUpgradeCaption(std::string_view text) override;
    void reportProgress(int done, int count) override;

private:
    void fillLists();
    void loadParameterFile();
    void readLastPathFile();
    void portChosen();
    void appendToLog(std::string_view text, TextColour colour, bool restoreDefaultFormat);
    void refuseEntry(int id, std::string_view text);
    void tellSaveResult(bool saved, const std::string& doneText, const std::string& path);

    DialogView& view_;
    UpgradeWindowServices services_;
    SerialCommandSet serialCommands_;
    std::unique_ptr<FirmwareImage> image_;
    std::unique_ptr<UpgradeRun> run_;
    UpgradeWindowValues values_;
};

}  // namespace kq
