// The flashwright window: serial line, chip and bootload type, offsets and
// sizes, the upgrade file, the coloured log, and the upgrade and stop
// buttons. It owns every value a run reads and hosts the run itself: the
// run executes inside the click handler of "升级" and lets the window's
// events through between its steps.
#pragma once

#include <QDialog>

#include <array>
#include <memory>
#include <string>

#include "image/firmware_image.h"
#include "link/bootloader_commands.h"
#include "link/serial_port.h"
#include "upgrade/upgrade_host.h"
#include "upgrade/upgrade_run.h"
#include "qt/upgrade_dialog_services.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace kq {

class DialogUnits;
class LogPanel;
class PathEdit;
class PortCombo;

// Every value of the window; the settings are what a run reads.
struct UpgradeDialogValues {
    UpgradeSettings settings;
    std::string hexFileTimeText;
    int savedPortIndex = 0;               // remembered item of the port box
    std::array<int, MaxPorts> portList{};  // port numbers in the order of the port box's items
    int portCount = 0;
};

inline constexpr int ModuleAddressMaxChars = 12;  // characters the address box takes

class UpgradeDialog : public QDialog, public UpgradeHost {
    Q_OBJECT
public:
    explicit UpgradeDialog(UpgradeDialogServices services = UpgradeDialogServices::standard(),
                           QWidget* parent = nullptr);
    ~UpgradeDialog() override;

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

    const UpgradeDialogValues& values() const { return values_; }
    bool upgradeRunning() const { return run_->upgradeRunning(); }

    // The run's host.
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

public slots:
    // Every way of ending the window passes here: during a run it only asks
    // the user to stop first; otherwise the port is closed and the window ends.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void placeLogControls(const DialogUnits& dlu);
    void placeSerialGroup(const DialogUnits& dlu);
    void placeParameterGroup(const DialogUnits& dlu);
    void placeOperationGroup(const DialogUnits& dlu);
    void connectHandlers();

    void loadParameterFile();
    void readLastPathFile();
    void portDroppedDown();
    void portChosen(int index);
    void refuseEntry(QWidget* box, const QString& text);
    void tellSaveResult(bool saved, const QString& doneText, const std::string& path);

    UpgradeDialogServices services_;
    UpgradeDialogValues values_;
    std::unique_ptr<FirmwareImage> image_;
    SerialCommandSet commands_;
    std::unique_ptr<UpgradeRun> run_;

    LogPanel* log_ = nullptr;
    QPushButton* saveLogButton_ = nullptr;
    QPushButton* clearLogButton_ = nullptr;
    PortCombo* portCombo_ = nullptr;
    QComboBox* baudCombo_ = nullptr;
    QComboBox* parityCombo_ = nullptr;
    QComboBox* chipCombo_ = nullptr;
    QComboBox* bootloadCombo_ = nullptr;
    QPushButton* saveConfigButton_ = nullptr;
    PathEdit* hexPathEdit_ = nullptr;
    QPushButton* chooseFileButton_ = nullptr;
    QLabel* hexTimeLabel_ = nullptr;
    QLineEdit* userOffsetEdit_ = nullptr;
    QLineEdit* upgradeOffsetEdit_ = nullptr;
    QLineEdit* areaEdit_ = nullptr;
    QLineEdit* moduleAddressEdit_ = nullptr;
    QComboBox* frameCombo_ = nullptr;
    std::array<QWidget*, 9> backupControls_{};  // shown only for remote with backup
    QPushButton* upgradeButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QLabel* sectorLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* statusPicture_ = nullptr;
};

}  // namespace kq
