#include "flashwright_cli_answer_tracker.h"

namespace kq::cli {

CommandResult AnswerTracker::handshake(int port) { return note(inner_.handshake(port)); }

CommandResult AnswerTracker::eraseAll(int port) { return note(inner_.eraseAll(port)); }

CommandResult AnswerTracker::eraseSector(int port, uint32_t address) {
    return note(inner_.eraseSector(port, address));
}

CommandResult AnswerTracker::writeSector(int port, uint32_t address, const uint8_t* data, int count) {
    return note(inner_.writeSector(port, address, data, count));
}

CommandResult AnswerTracker::readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) {
    return note(inner_.readFlashCrc(port, address, length, crc));
}

CommandResult AnswerTracker::jumpToProgram(int port) { return inner_.jumpToProgram(port); }

CommandResult AnswerTracker::resetModule(int port) { return inner_.resetModule(port); }

CommandResult AnswerTracker::writeUpgradeFlag(int port) { return note(inner_.writeUpgradeFlag(port)); }

CommandResult AnswerTracker::remoteReset(int port, const ModuleAddress& address) {
    return inner_.remoteReset(port, address);
}

CommandResult AnswerTracker::remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset,
                                             uint32_t userOffset, uint32_t imageLength, uint16_t imageCrc) {
    return note(inner_.remoteConfigure(port, address, upgradeOffset, userOffset, imageLength, imageCrc));
}

CommandResult AnswerTracker::remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset,
                                         const uint8_t* data, int count) {
    return note(inner_.remoteWrite(port, address, imageOffset, data, count));
}

CommandResult AnswerTracker::remoteVerify(int port, const ModuleAddress& address) {
    return note(inner_.remoteVerify(port, address));
}

}  // namespace kq::cli
