// What a record says about the HEX file and the image made of it: the
// file's size, time and SHA-256; the image's length, sectors, addresses and
// its CRC-16 as the module computes it (over the whole sectors).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/firmware_image.h"
#include "upgrade/upgrade_settings.h"

namespace kq::production {

inline constexpr uint64_t MaxHashedFileBytes = uint64_t{256} << 20;  // larger HEX files get no SHA-256, bytes

struct HexFileFacts {
    uint64_t size = 0;
    std::string modified;  // local time "YYYY-MM-DD hh:mm:ss"
    std::string sha256;    // 64 lower-case hex digits
};

struct ImageFacts {
    int length = 0;             // imageLength
    int sectors = 0;
    uint16_t crc = 0;           // crc16 over sectors x 512 bytes
    uint32_t firstAddress = 0;  // program address of image byte 0 (the user offset)
    uint32_t flashBase = 0;     // what the module's flash addresses add (0xFF0000 for KQ581X)
};

// nullopt when the file cannot be read whole.
std::optional<HexFileFacts> hexFileFactsOf(const std::string& path);
// Of a loaded image with the settings it was loaded with.
ImageFacts imageFactsOf(const FirmwareImage& image, const UpgradeSettings& settings);

// "0xA2CA": how every CRC-16 is written.
std::string crc16Text(uint16_t crc);
// "0x1000": an address or offset, upper-case digits.
std::string hexText(uint32_t value);
// "0x1000-0x2FFF": the program addresses the image fills, and the flash
// addresses written (whole sectors) when they differ, in parentheses.
std::string addressRangeText(const ImageFacts& image);

}  // namespace kq::production
