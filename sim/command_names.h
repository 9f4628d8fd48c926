// The bootloader commands as kqsim names them in its options and its log.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kq::sim {

struct CommandInfo {
    uint16_t code;
    std::string_view name;  // option and log name, e.g. "write-sector"
    bool replies;           // false for the commands that are sent without awaiting a reply
};

// The entry of a known command code, or nullptr.
const CommandInfo* findCommand(uint16_t code);
// The option/log name of a code; "unknown" for codes outside the command set.
std::string_view commandName(uint16_t code);
// A command given by name ("erase-all") or by hexadecimal code ("0x1501").
std::optional<uint16_t> parseCommand(std::string_view text);

// Codes 0x16xx travel in the module-address layout, 0x15xx in the flash-address layout.
inline constexpr uint16_t ModuleLayoutGroup = 0x1600;  // high byte of the module-address commands
inline constexpr uint16_t FlashLayoutGroup = 0x1500;   // high byte of the flash-address commands
inline bool isModuleLayoutCode(uint16_t code) { return (code & 0xFF00) == ModuleLayoutGroup; }
inline bool isFlashLayoutCode(uint16_t code) { return (code & 0xFF00) == FlashLayoutGroup; }

}  // namespace kq::sim
