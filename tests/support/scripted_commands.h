// A CommandSet whose results are scripted per command and call number. It
// records every call with its arguments, and keeps a small flash model so
// that readFlashCrc answers the CRC of what was really written.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/bootloader_commands.h"

namespace kq::test {

struct CommandCall {
    std::string name{};  // "handshake", "eraseAll", ... as the CommandSet operations are named
    int port = 0;
    uint32_t address = 0;  // flash address; image offset for remoteWrite
    uint32_t length = 0;   // readFlashCrc range; remoteConfigure image length
    uint32_t upgradeOffset = 0;
    uint32_t userOffset = 0;
    uint16_t crc = 0;  // remoteConfigure image CRC
    ModuleAddress module{};
    std::vector<uint8_t> data{};  // writeSector, remoteWrite
};

class ScriptedCommands final : public CommandSet {
public:
    // Results of calls 1, 2, ... of one command; later calls give its default.
    void script(std::string_view command, std::vector<CommandResult> results);
    // The result of every unscripted call of a command (Ok unless set).
    void setDefault(std::string_view command, CommandResult result);
    // readFlashCrc answers this instead of the CRC of the flash model.
    std::optional<uint16_t> crcAnswer;
    // Called for every call before its result is returned.
    std::function<void(const CommandCall&)> onCall;

    const std::vector<CommandCall>& calls() const { return calls_; }
    std::vector<CommandCall> callsOf(std::string_view command) const;
    std::vector<std::string> names() const;
    int count(std::string_view command) const;

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
    CommandResult record(CommandCall call);
    uint8_t flashByte(uint32_t address) const;

    std::map<std::string, std::vector<CommandResult>, std::less<>> scripts_;
    std::map<std::string, CommandResult, std::less<>> defaults_;
    std::vector<CommandCall> calls_;
    std::map<uint32_t, uint8_t> flash_;  // written bytes; anything else reads 0xFF
};

}  // namespace kq::test
