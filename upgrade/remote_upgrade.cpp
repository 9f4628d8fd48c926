// The remote path with backup: module-addressed configure, the image in
// frames by image offset, the module's own verify, and two resets.
#include <iterator>
#include <string>

#include "link/link_frame.h"
#include "upgrade/image_crc.h"
#include "link/module_address.h"
#include "upgrade/run_sequence.h"

namespace kq {

RunResult UpgradeRun::Sequence::remoteWithBackupPath() {
    // A mistyped address would be sent as some other module's address:
    // refuse it before anything goes out.
    host_.stepStarted(RunStep::ModuleAddress);
    if (!isValidModuleAddress(settings_.moduleAddress)) {
        failWithCross("模块地址错误\r\n", RunStep::ModuleAddress);
        return result_;
    }
    const ModuleAddress address = encodeModuleAddress(settings_.moduleAddress);
    host_.pumpMessages();
    if (!configureModule(address) || !sendAllFrames(address) || !verifyModule(address)) return result_;
    return resetAndSucceed(address);
}

bool UpgradeRun::Sequence::configureModule(const ModuleAddress& address) {
    const uint32_t upgradeOffset = flashAddress(parseHexText(settings_.upgradeOffsetHex));
    const uint32_t userOffset = flashAddress(parseHexText(settings_.userOffsetHex));
    const uint32_t length = uint32_t(image_.paddedLength());
    const uint16_t crc = imageCrc(image_);

    host_.stepStarted(RunStep::Configure);
    host_.appendLog("配置开始\r\n");
    host_.pumpMessages();
    if (commands_.remoteConfigure(port_, address, upgradeOffset, userOffset, length, crc) != Ok) {
        host_.appendLogColoured("重新配置\r\n", LogRed);
        host_.pumpMessages();
        if (stoppedAt(RunStep::Configure)) return false;
        if (commands_.remoteConfigure(port_, address, upgradeOffset, userOffset, length, crc) != Ok) {
            return failWithCross("配置失败\r\n", RunStep::Configure);
        }
    }
    host_.appendLog("配置成功\r\n");
    host_.pumpMessages();
    return !stoppedAt(RunStep::Configure);
}

bool UpgradeRun::Sequence::sendAllFrames(const ModuleAddress& address) {
    host_.stepStarted(RunStep::Write);
    host_.appendLog("写入开始\r\n");
    host_.pumpMessages();
    const int count = image_.sectorCount();
    const int size = frameBytes(settings_.frameDataLength);
    for (int sector = 0; sector < count; ++sector) {
        host_.setSectorLabel("第" + decimalText(sector + 1) + "扇区");
        host_.reportProgress(sector, count);
        host_.pumpMessages();
        for (int frame = 0; frame < SectorSize / size; ++frame) {
            if (!sendFrame(address, uint32_t(SectorSize * sector + size * frame), size)) return false;
        }
        host_.pumpMessages();
        if (stoppedAt(RunStep::Write)) return false;
    }
    host_.reportProgress(count, count);
    host_.appendLog("写入成功\r\n");
    host_.pumpMessages();
    return true;
}

bool UpgradeRun::Sequence::sendFrame(const ModuleAddress& address, uint32_t offset, int size) {
    const uint8_t* data = image_.imageBytes.data() + offset;
    if (commands_.remoteWrite(port_, address, offset, data, size) == Ok) return true;
    host_.appendLogColoured("重新写入\r\n", LogRed);
    host_.pumpMessages();
    if (stoppedAt(RunStep::Write)) return false;
    if (commands_.remoteWrite(port_, address, offset, data, size) != Ok) {
        return failWithCross("写入失败\r\n", RunStep::Write);
    }
    return !stoppedAt(RunStep::Write);
}

bool UpgradeRun::Sequence::verifyModule(const ModuleAddress& address) {
    host_.stepStarted(RunStep::Verify);
    host_.appendLog("校验开始\r\n");
    host_.pumpMessages();
    if (commands_.remoteVerify(port_, address) != Ok) {
        host_.appendLogColoured("重新校验\r\n", LogRed);
        host_.pumpMessages();
        if (stoppedAt(RunStep::Verify)) return false;
        if (commands_.remoteVerify(port_, address) != Ok) return failWithCross("校验失败\r\n", RunStep::Verify);
    }
    host_.appendLog("校验成功\r\n");
    host_.pumpMessages();
    return !stoppedAt(RunStep::Verify);
}

RunResult UpgradeRun::Sequence::resetAndSucceed(const ModuleAddress& address) {
    // Resets are sent without a reply: nothing to check.
    host_.pumpMessages();
    commands_.remoteReset(port_, address);
    host_.waitMs(RemoteResetGapMs);
    host_.pumpMessages();
    commands_.remoteReset(port_, address);
    host_.appendLog("程序复位\r\n");
    host_.showStatusPicture(PictureTick);
    host_.appendLog("升级成功\r\n");
    return succeed();
}

}  // namespace kq
