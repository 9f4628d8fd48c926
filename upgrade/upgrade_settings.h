// The values one upgrade run reads, with their initial values, and the small
// text helpers the run and its front ends share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/named_choice.h"
#include "image/hex_digits.h"  // parseHexText
#include "image/hex_image.h"

namespace kq {

// The parity list, in ParityCode order.
inline constexpr std::array<NamedChoice, 3> ParityChoices = {{
    {"无校验", "none"},
    {"奇校验", "odd"},
    {"偶校验", "even"},
}};
// The bootload-type list, in BootloadType order.
inline constexpr std::array<NamedChoice, 3> BootloadTypeChoices = {{
    {"本地", "local"},
    {"远程备份", "backup"},
    {"远程不备份", "nobackup"},
}};
// The frame-length list: data bytes per frame of the remote path with backup.
// An index outside the list sends whole sectors.
inline constexpr std::array<int, 4> FrameDataLengths = {64, 128, 256, 512};
// Data bytes per frame of a frame-length index; whole sectors outside the list.
inline int frameBytes(int frameDataLength) {
    return frameDataLength >= 0 && frameDataLength < int(FrameDataLengths.size()) ? FrameDataLengths[size_t(frameDataLength)]
                                                                                   : SectorSize;
}

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

// Decimal digits of a non-negative number, no sign or leading zeros.
std::string decimalText(int n);
// 0xFF0000 for KQ581X, 0 for KQ58XX: what is added to flash addresses.
inline uint32_t flashAddressBase(int chipFamily) { return isKq581x(chipFamily) ? Kq581xFlashBase : 0; }

// The type rules: a change of chip family or bootload type sets the user
// offset (and for remote with backup the upgrade offset and area size).
void applyTypeDefaults(UpgradeSettings& settings);

}  // namespace kq
