// The values one upgrade run reads, with their initial values, and the small
// text helpers the run and its front ends share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/hex_image.h"

namespace kq {

enum ChipFamily : int { Kq581x = 0, Kq58xx = 1 };  // any value other than 0 counts as KQ58XX
enum BootloadType : int { LocalUpgrade = 0, RemoteWithBackup = 1, RemoteWithoutBackup = 2 };

inline constexpr uint32_t Kq581xFlashBase = 0xFF0000;  // added to every flash address sent to a KQ581X

struct UpgradeSettings {
    int portNumber = 0;        // 1..32; 0 = none chosen
    int baudRate = 7;          // baud list index (7 = 115200)
    int parity = 0;            // 0 none, 1 odd, 2 even
    int chipFamily = Kq581x;
    int bootloadType = LocalUpgrade;
    std::string hexPath;
    std::string userOffsetHex = "1000";
    std::string upgradeOffsetHex = "12000";
    int upgradeAreaKiB = 56;
    std::string moduleAddress = "AAAAAAAAAAAA";
    int frameDataLength = 3;   // index into 64, 128, 256, 512

    HexLoadInputs hexLoadInputs() const {
        return {hexPath, userOffsetHex, chipFamily, bootloadType, upgradeAreaKiB};
    }
};

// Value of a hexadecimal text as strtol with base 16 reads it (leading blanks,
// sign and "0x" accepted, stops at the first non-digit, "" gives 0), as 32 bits.
uint32_t parseHexText(std::string_view text);
// Decimal digits of a non-negative number, no sign or leading zeros.
std::string decimalText(int n);
// 0xFF0000 for KQ581X, 0 for KQ58XX: what is added to flash addresses.
inline uint32_t flashAddressBase(int chipFamily) { return chipFamily == Kq581x ? Kq581xFlashBase : 0; }

// The type rules: a change of chip family or bootload type sets the user
// offset (and for remote with backup the upgrade offset and area size).
void applyTypeDefaults(UpgradeSettings& settings);

}  // namespace kq
