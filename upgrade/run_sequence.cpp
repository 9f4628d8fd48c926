// The common start of every run and the ways a run ends.
#include "upgrade/run_sequence.h"

#include <string>

#include "image/hex_image.h"

namespace kq {

UpgradeRun::Sequence::Sequence(UpgradeRun& run, const UpgradeSettings& settings)
    : run_(run),
      host_(run.host_),
      commands_(run.commands_),
      image_(run.image_),
      settings_(settings),
      port_(settings.portNumber) {}

RunResult UpgradeRun::Sequence::run() {
    RunResult result = loadAndRun();
    result.fileReport = fileReport_;
    return result;
}

void UpgradeRun::Sequence::warnAboutFile() {
    if (fileReport_.endRecordMissing) host_.appendLogColoured(NoEndRecordLine, LogYellow);
    if (fileReport_.nonRecordLines > 0) {
        const std::string count = decimalText(fileReport_.nonRecordLines);
        host_.appendLogColoured("HEX文件有" + count + "行不是记录(不以:开头)，已跳过\r\n", LogYellow);
    }
}

RunResult UpgradeRun::Sequence::loadAndRun() {
    run_.upgradeRunning_ = true;
    host_.appendTimestamp();
    host_.blankStatusPicture();
    host_.setSectorLabel("");

    host_.stepStarted(RunStep::File);
    host_.appendLog("获取文件开始\r\n");
    host_.pumpMessages();
    const ShowMessage showMessage = [this](std::string_view text) { host_.showMessage(text); };
    if (loadHexImage(settings_.hexLoadInputs(), image_, showMessage, &fileReport_) != 0) {
        run_.upgradeRunning_ = false;
        host_.appendLog("获取文件失败\r\n");
        return {RunEnding::FailedWithoutPicture, RunStep::File};
    }
    host_.appendLog("获取文件成功\r\n");
    host_.noteHexFileTime(settings_.hexPath);
    host_.appendLog("共" + decimalText(image_.sectorCount()) + "个扇区" + "\r\n");
    host_.fileLoaded(fileReport_);
    warnAboutFile();
    host_.pumpMessages();

    host_.stepStarted(RunStep::Port);
    if (host_.openSelectedPort(settings_) != SelectedPortResult::Opened) {
        run_.upgradeRunning_ = false;
        host_.appendLogColoured("串口打开失败\r\n", LogRed);
        host_.closeSelectedPort(settings_);
        return {RunEnding::FailedWithoutPicture, RunStep::Port};
    }

    if (settings_.bootloadType == RemoteWithBackup) return remoteWithBackupPath();
    host_.appendTimestamp();
    if (settings_.bootloadType == RemoteWithoutBackup) return remoteWithoutBackupPath();
    return localPath();
}

bool UpgradeRun::Sequence::stoppedAt(RunStep step) {
    if (run_.upgradeRunning_) return false;
    host_.appendLog("暂停返回\r\n");
    host_.closeSelectedPort(settings_);
    result_ = {RunEnding::Stopped, step};
    return true;
}

bool UpgradeRun::Sequence::failWithCross(std::string_view message, RunStep step) {
    run_.upgradeRunning_ = false;
    host_.appendLogColoured(message, LogRed);
    host_.showStatusPicture(PictureCross);
    host_.closeSelectedPort(settings_);
    result_ = {RunEnding::FailedWithCross, step};
    return false;
}

RunResult UpgradeRun::Sequence::succeed() {
    host_.setSectorLabel("");
    run_.upgradeRunning_ = false;
    host_.closeSelectedPort(settings_);
    host_.writeControls();
    return {RunEnding::Success, RunStep::None};
}

uint32_t UpgradeRun::Sequence::flashAddress(uint32_t address) const {
    return address + flashAddressBase(settings_.chipFamily);
}

}  // namespace kq
