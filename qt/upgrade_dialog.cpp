#include "qt/upgrade_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <chrono>
#include <thread>

#include "qt/dialog_controls.h"
#include "platform/file_time.h"
#include "tool_files/last_path_file.h"
#include "qt/log_panel.h"
#include "tool_files/parameter_file.h"
#include "qt/port_combo.h"
#include "tool_files/saved_log_file.h"
#include "qt/status_pictures.h"

namespace kq {

UpgradeDialog::UpgradeDialog(UpgradeDialogServices services, QWidget* parent)
    : QDialog(parent),
      services_(std::move(services)),
      image_(std::make_unique<FirmwareImage>()),
      run_(std::make_unique<UpgradeRun>(*this, commands_, *image_)) {
    buildControls();
    loadParameterFile();
    showTypeControls();
    refreshPortList();
    readLastPathFile();
    writeValues();
}

UpgradeDialog::~UpgradeDialog() = default;

void UpgradeDialog::connectHandlers() {
    connect(upgradeButton_, &QPushButton::clicked, this, &UpgradeDialog::runUpgrade);
    connect(stopButton_, &QPushButton::clicked, this, &UpgradeDialog::stopUpgrade);
    connect(chooseFileButton_, &QPushButton::clicked, this, &UpgradeDialog::chooseHexFile);
    connect(saveConfigButton_, &QPushButton::clicked, this, &UpgradeDialog::saveParameterFile);
    connect(saveLogButton_, &QPushButton::clicked, this, &UpgradeDialog::saveLog);
    connect(clearLogButton_, &QPushButton::clicked, this, &UpgradeDialog::clearLog);
    connect(portCombo_, &PortCombo::aboutToDropDown, this, &UpgradeDialog::portDroppedDown);
    connect(portCombo_, &QComboBox::activated, this, &UpgradeDialog::portChosen);
    // Writes block the boxes' signals, so only the user's changes arrive here.
    connect(chipCombo_, &QComboBox::currentIndexChanged, this, &UpgradeDialog::applyTypeDefaults);
    connect(bootloadCombo_, &QComboBox::currentIndexChanged, this, &UpgradeDialog::applyTypeDefaults);
}

// ---- buttons -------------------------------------------------------------------

void UpgradeDialog::runUpgrade() {
    const bool starting = !run_->upgradeRunning();
    run_->runUpgrade();
    if (starting) progress_->reset();  // empty while idle
}

void UpgradeDialog::stopUpgrade() { run_->stopUpgrade(); }

void UpgradeDialog::chooseHexFile() {
    readValues();
    const QString chosen = services_.chooseHexFile ? services_.chooseHexFile(this) : QString();
    if (!chosen.isEmpty()) values_.settings.hexPath = chosen.toStdString();
    noteHexFileTime(chosen.toStdString());
    writeValues();
}

void UpgradeDialog::saveParameterFile() {
    readValues();
    const int item = portCombo_->currentIndex();
    values_.savedPortIndex = item < 0 || item >= MaxPorts ? 0 : item;
    const UpgradeSettings& s = values_.settings;
    const ParameterRecord record{s.hexPath,         values_.hexFileTimeText, s.moduleAddress,
                                 s.userOffsetHex,   s.upgradeOffsetHex,      s.frameDataLength,
                                 s.baudRate,        s.parity,                s.upgradeAreaKiB,
                                 s.chipFamily,      s.bootloadType,          values_.savedPortIndex};
    const std::string path = parameterFilePath(services_.toolFolder);
    tellSaveResult(writeParameterFile(path, record), QStringLiteral("保存完毕"), path);
    writeValues();
}

void UpgradeDialog::saveLog() {
    readValues();
    const std::string path = savedLogPath(services_.toolFolder, services_.now());
    const bool saved = writeSavedLog(path, log_->savedText().toStdString());
    tellSaveResult(saved, QStringLiteral("保存完毕，保存到文件") + fromUtf8(path), path);
}

void UpgradeDialog::tellSaveResult(bool saved, const QString& doneText, const std::string& path) {
    if (!services_.showMessage) return;
    if (saved) {
        services_.showMessage(this, doneText, QMessageBox::Information);
    } else {
        services_.showMessage(this, QStringLiteral("保存失败，无法写入文件") + fromUtf8(path), QMessageBox::Warning);
    }
}

void UpgradeDialog::clearLog() {
    readValues();
    if (services_.confirmClearLog && services_.confirmClearLog(this)) log_->clear();
    writeValues();
}

// ---- ports and types -------------------------------------------------------------

void UpgradeDialog::refreshPortList() {
    enumeratePorts(values_.portList, values_.portCount);
    const QSignalBlocker quiet(portCombo_);
    portCombo_->clear();
    for (int i = 0; i < values_.portCount; ++i)
        portCombo_->addItem(portItemText(values_.portList[i], portDeviceName(values_.portList[i])));
    if (values_.portCount == 0) return;
    const int saved = values_.savedPortIndex;
    portCombo_->setCurrentIndex(saved >= 0 && saved < values_.portCount ? saved : 0);
    const int item = portCombo_->currentIndex();
    if (item >= 0 && item < values_.portCount) values_.settings.portNumber = values_.portList[item];
    writeValues();
}

void UpgradeDialog::portDroppedDown() {
    readValues();
    // Listing the ports closes every port, the running upgrade's too: during a
    // run the list stays as it is until the next drop-down after it.
    if (!run_->upgradeRunning()) refreshPortList();
    writeValues();
}

void UpgradeDialog::portChosen(int index) {
    readValues();
    values_.settings.portNumber = 0;
    if (index >= 0 && index < values_.portCount) values_.settings.portNumber = values_.portList[index];
    writeValues();
}

void UpgradeDialog::applyTypeDefaults() {
    readValues();
    kq::applyTypeDefaults(values_.settings);
    showTypeControls();
    writeValues();
}

void UpgradeDialog::showTypeControls() {
    const bool backup = values_.settings.bootloadType == RemoteWithBackup;
    for (QWidget* control : backupControls_) control->setVisible(backup);
    writeValues();
}

// ---- remembered files ----------------------------------------------------------------

void UpgradeDialog::loadParameterFile() {
    const auto record = readParameterFile(parameterFilePath(services_.toolFolder));
    if (!record) return;
    UpgradeSettings& s = values_.settings;
    s.hexPath = record->hexPath;
    values_.hexFileTimeText = record->hexFileTimeText;
    s.moduleAddress = record->moduleAddress;
    s.userOffsetHex = record->userOffsetHex;
    s.upgradeOffsetHex = record->upgradeOffsetHex;
    s.frameDataLength = record->frameDataLength;
    s.baudRate = record->baudRate;
    s.parity = record->parity;
    s.upgradeAreaKiB = record->upgradeAreaKiB;
    s.chipFamily = record->chipFamily;
    s.bootloadType = record->bootloadType;
    values_.savedPortIndex = record->savedPortIndex;
}

void UpgradeDialog::readLastPathFile() {
    LastPath last{values_.settings.hexPath, values_.hexFileTimeText};
    if (!kq::readLastPathFile(services_.toolFolder, last)) return;
    values_.settings.hexPath = std::move(last.hexPath);
    values_.hexFileTimeText = std::move(last.hexFileTimeText);
}

// ---- closing -----------------------------------------------------------------------

void UpgradeDialog::done(int result) {
    if (run_->upgradeRunning()) {
        if (services_.showMessage)
            services_.showMessage(this, QStringLiteral("请停止升级，然后关闭软件"), QMessageBox::Warning);
        return;
    }
    closePort(values_.settings.portNumber);
    QDialog::done(result);
}

void UpgradeDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || event->modifiers() != Qt::NoModifier) {
        QDialog::keyPressEvent(event);  // Esc ends the window (through done)
        return;
    }
    // No button is a default button: Enter presses the button that has the
    // focus, and elsewhere ends the window like an OK button, after a read
    // that succeeds.
    event->accept();
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        button->click();
    } else if (readValues()) {
        accept();
    }
}

// ---- the run's host ------------------------------------------------------------------

UpgradeSettings UpgradeDialog::readControls() {
    readValues();
    return values_.settings;
}

void UpgradeDialog::appendLog(std::string_view text) {
    log_->appendPlain(text);
    writeValues();
}

void UpgradeDialog::appendLogColoured(std::string_view text, int colour) {
    log_->appendColoured(text, colour);
    writeValues();
}

void UpgradeDialog::appendTimestamp() {
    appendLog(timestampText(services_.now ? services_.now() : std::time(nullptr)) + "\r\n");
}

void UpgradeDialog::showStatusPicture(int which) {
    statusPicture_->setPixmap(statusPixmap(which));
    statusPicture_->setAccessibleDescription(which == PictureTick    ? QStringLiteral("升级成功")
                                             : which == PictureCross ? QStringLiteral("升级失败")
                                                                     : QString());
}

SelectedPortResult UpgradeDialog::openSelectedPort(const UpgradeSettings& settings) {
    return openSelectedPortOn(*this, settings);
}

void UpgradeDialog::closeSelectedPort(const UpgradeSettings& settings) { closeSelectedPortOn(settings); }

void UpgradeDialog::noteHexFileTime(const std::string& path) {
    if (auto time = modifiedTimeText(path)) values_.hexFileTimeText = std::move(*time);
    // A remembered path that cannot be written is not worth interrupting the user for.
    writeLastPathFile(services_.toolFolder, {values_.settings.hexPath, values_.hexFileTimeText});
}

void UpgradeDialog::showMessage(std::string_view text) {
    if (services_.showMessage) services_.showMessage(this, fromUtf8(text), QMessageBox::Warning);
}

void UpgradeDialog::pumpMessages() { QCoreApplication::processEvents(); }

void UpgradeDialog::waitMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void UpgradeDialog::setSectorLabel(std::string_view text) { sectorLabel_->setText(fromUtf8(text)); }

void UpgradeDialog::setUpgradeCaption(std::string_view text) { upgradeButton_->setText(fromUtf8(text)); }

void UpgradeDialog::reportProgress(int done, int count) {
    progress_->setRange(0, count);
    progress_->setValue(done);
}

}  // namespace kq
