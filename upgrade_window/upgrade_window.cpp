#include "upgrade_window/upgrade_window.h"

#include <vector>

#include "formats/named_choice.h"
#include "image/chip_family.h"
#include "tool_files/last_path_file.h"
#include "tool_files/parameter_file.h"
#include "tool_files/saved_log_file.h"
#include "upgrade_window/port_items.h"
#include "upgrade_window/upgrade_controls.h"

namespace kq {

using namespace upgrade_ids;

namespace {

// The remote-with-backup controls: shown only for that bootload type.
constexpr int BackupControls[] = {UpgradeOffsetLabel, UpgradeOffsetEdit, AreaLabel,    AreaEdit,  KibLabel,
                                  AddressLabel,       AddressEdit,       FrameLabel,   FrameBox};

}  // namespace

UpgradeWindow::UpgradeWindow(DialogView& view, UpgradeWindowServices services)
    : view_(view),
      services_(std::move(services)),
      image_(std::make_unique<FirmwareImage>()),
      run_(std::make_unique<UpgradeRun>(*this, services_.commands ? *services_.commands : serialCommands_,
                                        *image_)) {
    if (!services_.now) services_.now = [] { return std::time(nullptr); };
}

UpgradeWindow::~UpgradeWindow() = default;

void UpgradeWindow::start() {
    fillLists();
    view_.showPicture(upgrade_ids::StatusPicture, BlankPicture);
    view_.setProgress(ProgressBar, 0, 0);
    loadParameterFile();
    showTypeControls();
    refreshPortList();
    readLastPathFile();
    writeValues();
}

void UpgradeWindow::fillLists() {
    view_.setItems(BaudBox, numberItems(BaudRates));
    view_.setItems(ParityBox, choiceItems(ParityChoices));
    view_.setItems(ChipBox, choiceItems(ChipFamilyChoices));
    view_.setItems(BootloadBox, choiceItems(BootloadTypeChoices));
    view_.setItems(FrameBox, numberItems(FrameDataLengths));
}

// ---- events ------------------------------------------------------------------------

void UpgradeWindow::clicked(int id) {
    switch (id) {
    case UpgradeButton: runUpgrade(); break;
    case StopButton: stopUpgrade(); break;
    case ChooseFileButton: chooseHexFile(); break;
    case SaveConfigButton: saveParameterFile(); break;
    case SaveLogButton: saveLog(); break;
    case ClearLogButton: clearLog(); break;
    default: break;
    }
}

void UpgradeWindow::droppingDown(int id) {
    if (id != PortBox) return;
    readValues();
    // Listing the ports closes every port, the running upgrade's too: during a
    // run the list stays as it is until the next drop-down after it.
    if (!run_->upgradeRunning()) refreshPortList();
    writeValues();
}

void UpgradeWindow::selectionChanged(int id) {
    if (id == ChipBox || id == BootloadBox) applyTypeDefaults();
}

void UpgradeWindow::selectionConfirmed(int id) {
    if (id == PortBox) portChosen();
}

void UpgradeWindow::ok() {
    if (readValues()) closeRequested();
}

void UpgradeWindow::cancel() { closeRequested(); }

void UpgradeWindow::closeRequested() {
    if (run_->upgradeRunning()) {
        view_.showMessage("请停止升级，然后关闭软件", MessageIcon::Warning);
        return;
    }
    closePort(values_.settings.portNumber);
    view_.closeWindow();
}

// ---- buttons -------------------------------------------------------------------------

void UpgradeWindow::runUpgrade() {
    const bool starting = !run_->upgradeRunning();
    run_->runUpgrade();
    if (starting) view_.setProgress(ProgressBar, 0, 0);  // empty while idle
}

void UpgradeWindow::stopUpgrade() { run_->stopUpgrade(); }

void UpgradeWindow::chooseHexFile() {
    readValues();
    const std::string chosen = view_.chooseHexFile();
    if (!chosen.empty()) values_.settings.hexPath = chosen;
    noteHexFileTime(chosen);
    writeValues();
}

void UpgradeWindow::saveParameterFile() {
    readValues();
    const int item = view_.selectedItem(PortBox);
    values_.savedPortIndex = item < 0 || item >= MaxPorts ? 0 : item;
    const ParameterRecord record{values_.settings, values_.hexFileTimeText, values_.savedPortIndex};
    const std::string path = parameterFilePath(services_.folders.remembered);
    tellSaveResult(writeParameterFile(path, record), "保存完毕", path);
    writeValues();
}

void UpgradeWindow::saveLog() {
    readValues();
    const std::string path = savedLogPath(services_.folders.output, services_.now());
    const bool saved = writeSavedLog(path, view_.text(LogBox));
    tellSaveResult(saved, "保存完毕，保存到文件" + path, path);
}

void UpgradeWindow::tellSaveResult(bool saved, const std::string& doneText, const std::string& path) {
    if (saved) {
        view_.showMessage(doneText, MessageIcon::Information);
    } else {
        view_.showMessage("保存失败，无法写入文件" + path, MessageIcon::Warning);
    }
}

void UpgradeWindow::clearLog() {
    readValues();
    if (view_.askOkCancel("确认", "是否要清空日志")) view_.setText(LogBox, "");
    writeValues();
}

// ---- ports and types -------------------------------------------------------------------

void UpgradeWindow::refreshPortList() {
    enumeratePorts(values_.portList, values_.portCount);
    std::vector<std::string> items;
    for (int i = 0; i < values_.portCount; ++i)
        items.push_back(portItemText(values_.portList[i], portDescription(values_.portList[i])));
    view_.setItems(PortBox, items);
    if (values_.portCount == 0) return;
    const int saved = values_.savedPortIndex;
    view_.selectItem(PortBox, saved >= 0 && saved < values_.portCount ? saved : 0);
    const int item = view_.selectedItem(PortBox);
    if (item >= 0 && item < values_.portCount) values_.settings.portNumber = values_.portList[item];
    writeValues();
}

void UpgradeWindow::portChosen() {
    readValues();
    values_.settings.portNumber = 0;
    const int item = view_.selectedItem(PortBox);
    if (item >= 0 && item < values_.portCount) values_.settings.portNumber = values_.portList[item];
    writeValues();
}

void UpgradeWindow::applyTypeDefaults() {
    readValues();
    kq::applyTypeDefaults(values_.settings);
    showTypeControls();
    writeValues();
}

void UpgradeWindow::showTypeControls() {
    const bool backup = values_.settings.bootloadType == RemoteWithBackup;
    for (const int id : BackupControls) view_.setVisible(id, backup);
    writeValues();
}

// ---- remembered files ----------------------------------------------------------------------

void UpgradeWindow::loadParameterFile() {
    const auto record = readParameterFile(parameterFilePath(services_.folders.remembered));
    if (!record) return;
    const int port = values_.settings.portNumber;  // not in the file
    values_.settings = record->settings;
    values_.settings.portNumber = port;
    values_.hexFileTimeText = record->hexFileTimeText;
    values_.savedPortIndex = record->savedPortIndex;
}

void UpgradeWindow::readLastPathFile() {
    LastPath last{values_.settings.hexPath, values_.hexFileTimeText};
    if (!kq::readLastPathFile(services_.folders.remembered, last)) return;
    values_.settings.hexPath = std::move(last.hexPath);
    values_.hexFileTimeText = std::move(last.hexFileTimeText);
}

}  // namespace kq
