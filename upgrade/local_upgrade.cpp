// The local and the remote-without-backup paths: contact (handshake, or
// upgrade flag and reset), erase, sector writes, read-back CRC check, jump.
#include <string>

#include "link/link_frame.h"
#include "upgrade/image_crc.h"
#include "upgrade/run_sequence.h"

namespace kq {

RunResult UpgradeRun::Sequence::localPath() {
    if (!handshakeUntilAnswered()) return result_;
    if (!eraseAllSectors() || !writeAllSectors() || !checkFlashCrc()) return result_;
    return jumpAndSucceed();
}

RunResult UpgradeRun::Sequence::remoteWithoutBackupPath() {
    if (!writeUpgradeFlagAndReset()) return result_;
    if (!eraseAllSectors() || !writeAllSectors() || !checkFlashCrc()) return result_;
    return jumpAndSucceed();
}

bool UpgradeRun::Sequence::handshakeUntilAnswered() {
    host_.stepStarted(RunStep::Handshake);
    host_.appendLog("对接开始\r\n");
    host_.pumpMessages();
    host_.setUpgradeCaption(CaptionHandshaking);
    int portFailuresInARow = 0;
    for (int unanswered = 1;; ++unanswered) {
        const CommandResult result = commands_.handshake(port_);
        if (result == Ok) break;
        // Anything but a silent line failed at once (the adapter is gone):
        // pause as long as an unanswered attempt lasts instead of spinning.
        portFailuresInARow = result == NoReply ? 0 : portFailuresInARow + 1;
        if (result != NoReply) host_.waitMs(HandshakeTimeoutMs);
        host_.handshakeUnanswered(unanswered);
        host_.pumpMessages();
        if (!run_.upgradeRunning_) {
            host_.appendLog("暂停返回\r\n");
            host_.setUpgradeCaption(CaptionDownload);
            host_.closeSelectedPort(settings_);
            result_ = {RunEnding::Stopped, RunStep::Handshake};
            return false;
        }
        // A silent module may be switched on later, but a port that keeps
        // failing is gone: waiting for it would never end.
        if (portFailuresInARow == LostPortAttempts) {
            run_.upgradeRunning_ = false;
            host_.appendLogColoured("通信口打不开\r\n", LogRed);
            host_.setUpgradeCaption(CaptionDownload);
            host_.closeSelectedPort(settings_);
            result_ = {RunEnding::FailedWithoutPicture, RunStep::Port};
            return false;
        }
    }
    host_.setUpgradeCaption(CaptionDownload);
    host_.appendLog("对接成功\r\n");
    host_.pumpMessages();
    return true;
}

bool UpgradeRun::Sequence::writeUpgradeFlagAndReset() {
    host_.stepStarted(RunStep::UpgradeFlag);
    host_.appendLog("写入升级标志\r\n");
    if (commands_.writeUpgradeFlag(port_) != Ok) {
        run_.upgradeRunning_ = false;
        host_.appendLogColoured("写入失败\r\n", LogRed);
        host_.closeSelectedPort(settings_);
        result_ = {RunEnding::FailedWithoutPicture, RunStep::UpgradeFlag};
        return false;
    }
    host_.appendLog("写入升级标志成功\r\n");
    host_.appendLog("复位模块\r\n");
    host_.pumpMessages();
    commands_.resetModule(port_);  // sent without a reply: nothing to check
    host_.appendLog("等待2秒\r\n");
    host_.pumpMessages();
    host_.waitMs(ResetWaitMs);
    return true;
}

bool UpgradeRun::Sequence::eraseAllSectors() {
    host_.stepStarted(RunStep::Erase);
    host_.appendLog("擦除开始\r\n");
    host_.pumpMessages();
    if (commands_.eraseAll(port_) != Ok && commands_.eraseAll(port_) != Ok) {
        run_.upgradeRunning_ = false;
        commands_.eraseAll(port_);  // a last attempt that cannot change the outcome
        return failWithCross("擦除失败\r\n", RunStep::Erase);
    }
    host_.appendLog("擦除成功\r\n");
    host_.pumpMessages();
    return !stoppedAt(RunStep::Erase);
}

bool UpgradeRun::Sequence::writeAllSectors() {
    const uint32_t base = parseHexText(settings_.userOffsetHex);
    host_.stepStarted(RunStep::Write);
    host_.appendLog("写入开始\r\n");
    host_.pumpMessages();
    const int count = image_.sectorCount();
    for (int sector = 0; sector < count; ++sector) {
        if (!writeOneSector(sector, base)) return false;
    }
    host_.reportProgress(count, count);
    host_.appendLog("写入成功\r\n");
    host_.pumpMessages();
    return true;
}

bool UpgradeRun::Sequence::writeOneSector(int sector, uint32_t base) {
    const std::string label = "第" + decimalText(sector + 1) + "扇区";
    host_.setSectorLabel(label);
    host_.reportProgress(sector, image_.sectorCount());
    host_.pumpMessages();

    const uint32_t address = flashAddress(base + uint32_t(SectorSize) * uint32_t(sector));
    const uint8_t* data = image_.imageBytes.data() + SectorSize * sector;
    if (commands_.writeSector(port_, address, data, SectorSize) != Ok) {
        host_.appendLogColoured("重新写入\r\n", LogRed);
        host_.pumpMessages();
        if (stoppedAt(RunStep::Write)) return false;
        if (commands_.eraseSector(port_, address) != Ok) return failWithCross(label + "写入失败\r\n", RunStep::Write);
        host_.pumpMessages();
        if (stoppedAt(RunStep::Write)) return false;
        if (commands_.writeSector(port_, address, data, SectorSize) != Ok) {
            return failWithCross("写入失败\r\n", RunStep::Write);
        }
    }
    host_.pumpMessages();
    return !stoppedAt(RunStep::Write);
}

bool UpgradeRun::Sequence::checkFlashCrc() {
    host_.stepStarted(RunStep::Check);
    host_.appendLog("检测开始\r\n");
    host_.pumpMessages();
    const uint32_t address = flashAddress(parseHexText(settings_.userOffsetHex));
    const uint32_t length = uint32_t(image_.paddedLength());
    uint16_t moduleCrc = 0;
    if (commands_.readFlashCrc(port_, address, length, moduleCrc) != Ok &&
        commands_.readFlashCrc(port_, address, length, moduleCrc) != Ok) {
        return failWithCross("检测失败\r\n", RunStep::Check);
    }
    if (imageCrc(image_) != moduleCrc) {
        return failWithCross("CRC不一致，失败\r\n", RunStep::CrcMismatch);
    }
    host_.appendLog("检测成功\r\n");
    host_.pumpMessages();
    host_.pumpMessages();
    return true;
}

RunResult UpgradeRun::Sequence::jumpAndSucceed() {
    commands_.jumpToProgram(port_);  // sent without a reply: nothing to check
    host_.appendLog("程序跳转\r\n");
    host_.showStatusPicture(PictureTick);
    host_.appendTimestamp();
    host_.appendLog("升级成功\r\n");
    return succeed();
}

}  // namespace kq
