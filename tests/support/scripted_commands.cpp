#include "support/scripted_commands.h"

#include "image/firmware_image.h"
#include "link/link_frame.h"

namespace kq::test {

void ScriptedCommands::script(std::string_view command, std::vector<CommandResult> results) {
    scripts_[std::string(command)] = std::move(results);
}

void ScriptedCommands::setDefault(std::string_view command, CommandResult result) {
    defaults_[std::string(command)] = result;
}

std::vector<CommandCall> ScriptedCommands::callsOf(std::string_view command) const {
    std::vector<CommandCall> found;
    for (const CommandCall& call : calls_) {
        if (call.name == command) found.push_back(call);
    }
    return found;
}

std::vector<std::string> ScriptedCommands::names() const {
    std::vector<std::string> found;
    for (const CommandCall& call : calls_) found.push_back(call.name);
    return found;
}

int ScriptedCommands::count(std::string_view command) const { return int(callsOf(command).size()); }

CommandResult ScriptedCommands::record(CommandCall call) {
    const int number = count(call.name);  // calls of this command before this one
    CommandResult result = Ok;
    if (auto fallback = defaults_.find(call.name); fallback != defaults_.end()) result = fallback->second;
    if (auto script = scripts_.find(call.name); script != scripts_.end() && number < int(script->second.size())) {
        result = script->second[size_t(number)];
    }
    calls_.push_back(std::move(call));
    if (onCall) onCall(calls_.back());
    return result;
}

uint8_t ScriptedCommands::flashByte(uint32_t address) const {
    const auto found = flash_.find(address);
    return found == flash_.end() ? ImageFill : found->second;
}

CommandResult ScriptedCommands::handshake(int port) { return record({.name = "handshake", .port = port}); }

CommandResult ScriptedCommands::eraseAll(int port) {
    const CommandResult result = record({.name = "eraseAll", .port = port});
    if (result == Ok) flash_.clear();
    return result;
}

CommandResult ScriptedCommands::eraseSector(int port, uint32_t address) {
    const CommandResult result = record({.name = "eraseSector", .port = port, .address = address});
    if (result == Ok) {
        for (uint32_t i = 0; i < uint32_t(SectorSize); ++i) flash_.erase(address + i);
    }
    return result;
}

CommandResult ScriptedCommands::writeSector(int port, uint32_t address, const uint8_t* data, int count) {
    const CommandResult result =
        record({.name = "writeSector", .port = port, .address = address, .data = {data, data + count}});
    if (result == Ok) {
        for (int i = 0; i < count; ++i) flash_[address + uint32_t(i)] = data[i];
    }
    return result;
}

CommandResult ScriptedCommands::readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) {
    const CommandResult result = record({.name = "readFlashCrc", .port = port, .address = address, .length = length});
    if (result != Ok) return result;
    if (crcAnswer) {
        crc = *crcAnswer;
    } else {
        std::vector<uint8_t> range(length);
        for (uint32_t i = 0; i < length; ++i) range[i] = flashByte(address + i);
        crc = crc16(range.data(), range.size());
    }
    return result;
}

CommandResult ScriptedCommands::jumpToProgram(int port) { return record({.name = "jumpToProgram", .port = port}); }

CommandResult ScriptedCommands::resetModule(int port) { return record({.name = "resetModule", .port = port}); }

CommandResult ScriptedCommands::writeUpgradeFlag(int port) {
    return record({.name = "writeUpgradeFlag", .port = port});
}

CommandResult ScriptedCommands::remoteReset(int port, const ModuleAddress& address) {
    return record({.name = "remoteReset", .port = port, .module = address});
}

CommandResult ScriptedCommands::remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset,
                                                uint32_t userOffset, uint32_t imageLength, uint16_t imageCrc) {
    return record({.name = "remoteConfigure",
                   .port = port,
                   .length = imageLength,
                   .upgradeOffset = upgradeOffset,
                   .userOffset = userOffset,
                   .crc = imageCrc,
                   .module = address});
}

CommandResult ScriptedCommands::remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset,
                                            const uint8_t* data, int count) {
    return record(
        {.name = "remoteWrite", .port = port, .address = imageOffset, .module = address, .data = {data, data + count}});
}

CommandResult ScriptedCommands::remoteVerify(int port, const ModuleAddress& address) {
    return record({.name = "remoteVerify", .port = port, .module = address});
}

}  // namespace kq::test
