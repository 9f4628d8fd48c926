// Reads an Intel HEX upgrade file into the FirmwareImage, checking every data
// record against the address window of the chip family and bootload type.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "image/firmware_image.h"

namespace kq {

inline constexpr uint32_t Kq581xAddressLimit = 0xFE00;   // 63.5 KiB: first refused address, 251 core
inline constexpr uint32_t Kq58xxAddressLimit = 0x80000;  // 512 KiB: first refused address, ARM core

// What one load reads (fields of the upgrade settings).
struct HexLoadInputs {
    std::string hexPath;
    std::string userOffsetHex;  // base of the window and flash address of image offset 0
    int chipFamily = 0;         // 0 KQ581X, anything else KQ58XX
    int bootloadType = 0;       // 1 = remote with backup (the upgrade area narrows the window)
    int upgradeAreaKiB = 0;
};

using MessageBox = std::function<void(std::string_view text)>;

// 0 = image filled; 1 = refused, after showMessage told the user why.
int loadHexImage(const HexLoadInputs& inputs, FirmwareImage& image, const MessageBox& showMessage);

}  // namespace kq
