#include "sim/bootloader_model.h"

#include "link/bootloader_commands.h"
#include "sim/command_names.h"

namespace kq::sim {

namespace {

CommandOutcome answer(bool ok) { return {true, !ok, {}, std::nullopt}; }
CommandOutcome noAnswer() { return {}; }

}  // namespace

bool BootloaderModel::listensTo(uint16_t code) const {
    if (!findCommand(code)) return false;
    if (isModuleLayoutCode(code)) return true;
    if (code == CmdWriteUpgradeFlag || code == CmdResetModule) return true;
    return mode_ == ModuleMode::Boot;
}

CommandOutcome BootloaderModel::execute(const Request& request) {
    switch (request.code) {
        case CmdHandshake:
            return answer(true);
        case CmdEraseAll:
            flash_.eraseApplicationArea();
            return answer(true);
        case CmdEraseSector:
            return eraseSector(request.address);
        case CmdWriteSector:
            return writeSector(request);
        case CmdReadFlashCrc:
            return readFlashCrc(request);
        case CmdWriteUpgradeFlag:
            upgradeFlag_ = true;
            return answer(true);
        case CmdJumpToProgram:
            startUserProgram();
            return noAnswer();
        case CmdResetModule:
            reset();
            return noAnswer();
        case CmdRemoteConfigure:
            return answer(backup_.configure(request.payload));
        case CmdRemoteWrite:
            return answer(backup_.writeFrame(request.payload));
        case CmdRemoteVerify:
            return answer(backup_.verify());
        case CmdRemoteReset:
            backup_.installOnReset();
            startUserProgram();
            return noAnswer();
        default:
            return noAnswer();
    }
}

CommandOutcome BootloaderModel::eraseSector(uint32_t address) { return answer(flash_.erase(address, SectorBytes)); }

CommandOutcome BootloaderModel::writeSector(const Request& request) {
    return answer(flash_.program(request.address, request.payload.data(),
                                 static_cast<uint32_t>(request.payload.size())));
}

CommandOutcome BootloaderModel::readFlashCrc(const Request& request) {
    if (request.payload.size() != CrcRequestBytes) return answer(false);
    const std::vector<uint8_t>& p = request.payload;
    const uint32_t length = static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    const std::optional<uint16_t> crc = flash_.crc(request.address, length);
    if (!crc) return answer(false);
    CommandOutcome outcome = answer(true);
    outcome.payload = {p[0], p[1], p[2], p[3], static_cast<uint8_t>(*crc >> 8), static_cast<uint8_t>(*crc & 0xFF)};
    outcome.crc = crc;
    return outcome;
}

void BootloaderModel::renew(const std::vector<uint8_t>& startFlash) {
    flash_.load(startFlash);
    mode_ = ModuleMode::Boot;
    upgradeFlag_ = false;
    backup_.forget();
}

void BootloaderModel::reset() {
    // A reset starts the bootloader only when the user program asked for it.
    mode_ = upgradeFlag_ ? ModuleMode::Boot : ModuleMode::App;
    upgradeFlag_ = false;
    backup_.forget();  // the configuration lived in RAM
}

}  // namespace kq::sim
