// A CommandSet that passes every command on and notes whether the module
// ever answered one.
#pragma once

#include "link/bootloader_commands.h"

namespace kq::cli {

class AnswerTracker final : public CommandSet {
public:
    explicit AnswerTracker(CommandSet& inner) : inner_(inner) {}

    // True once a command that awaits a reply got a valid one (Ok). The
    // commands sent without a reply (jump, resets) report Ok without any
    // answer, so they do not count.
    bool answered() const { return answered_; }

    CommandResult handshake(int port) override;
    CommandResult eraseAll(int port) override;
    CommandResult eraseSector(int port, uint32_t address) override;
    CommandResult writeSector(int port, uint32_t address, const uint8_t* data, int count) override;
    CommandResult readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) override;
    CommandResult jumpToProgram(int port) override;
    CommandResult resetModule(int port) override;
    CommandResult writeUpgradeFlag(int port) override;
    CommandResult remoteReset(int port, const ModuleAddress& address) override;
    CommandResult remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset,
                                  uint32_t userOffset, uint32_t imageLength, uint16_t imageCrc) override;
    CommandResult remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset, const uint8_t* data,
                              int count) override;
    CommandResult remoteVerify(int port, const ModuleAddress& address) override;

private:
    CommandResult note(CommandResult result) {
        answered_ = answered_ || result == Ok;
        return result;
    }

    CommandSet& inner_;
    bool answered_ = false;
};

}  // namespace kq::cli
