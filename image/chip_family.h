// The two chip families and the three bootload types, shared by the HEX
// loader, the upgrade run, the merge engine and the simulator.
#pragma once

#include <array>
#include <cstdint>

#include "formats/named_choice.h"

namespace kq {

// Index in every chip-type list; any value other than 0 counts as KQ58XX.
enum ChipFamily : int { Kq581x = 0, Kq58xx = 1 };
// Index in the bootload-type list.
enum BootloadType : int { LocalUpgrade = 0, RemoteWithBackup = 1, RemoteWithoutBackup = 2 };

// The chip-type list of both programs, in ChipFamily order.
inline constexpr std::array<NamedChoice, 2> ChipFamilyChoices = {{
    {"KQ581X(251内核)", "251"},
    {"KQ58XX(ARM内核)", "arm"},
}};

inline constexpr uint32_t Kq581xAddressLimit = 0xFE00;   // 63.5 KiB: first refused program address, 251 core
inline constexpr uint32_t Kq58xxAddressLimit = 0x80000;  // 512 KiB: first refused program address, ARM core
inline constexpr uint16_t Kq581xHighAddress = 0x00FF;    // extended linear address a 251 linker gives flash; read as 0
inline constexpr uint32_t Kq581xFlashBase = 0xFF0000;    // added to every flash address sent to a KQ581X

inline bool isKq581x(int chipFamily) { return chipFamily == Kq581x; }
inline uint32_t addressLimit(int chipFamily) { return isKq581x(chipFamily) ? Kq581xAddressLimit : Kq58xxAddressLimit; }

}  // namespace kq
