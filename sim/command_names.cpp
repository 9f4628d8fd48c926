#include "sim/command_names.h"

#include <array>
#include <charconv>

#include "link/bootloader_commands.h"

namespace kq::sim {

namespace {

constexpr std::array<CommandInfo, 12> Commands{{
    {CmdHandshake, "handshake", true},
    {CmdEraseAll, "erase-all", true},
    {CmdEraseSector, "erase-sector", true},
    {CmdWriteSector, "write-sector", true},
    {CmdReadFlashCrc, "read-crc", true},
    {CmdJumpToProgram, "jump", false},
    {CmdResetModule, "reset", false},
    {CmdWriteUpgradeFlag, "upgrade-flag", true},
    {CmdRemoteReset, "remote-reset", false},
    {CmdRemoteConfigure, "remote-configure", true},
    {CmdRemoteWrite, "remote-write", true},
    {CmdRemoteVerify, "remote-verify", true},
}};

}  // namespace

const CommandInfo* findCommand(uint16_t code) {
    for (const CommandInfo& info : Commands)
        if (info.code == code) return &info;
    return nullptr;
}

std::string_view commandName(uint16_t code) {
    const CommandInfo* info = findCommand(code);
    return info ? info->name : "unknown";
}

std::optional<uint16_t> parseCommand(std::string_view text) {
    for (const CommandInfo& info : Commands)
        if (info.name == text) return info.code;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        unsigned value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data() + 2, end, value, 16);
        if (ec == std::errc() && ptr == end && value <= 0xFFFF) return static_cast<uint16_t>(value);
    }
    return std::nullopt;
}

}  // namespace kq::sim
