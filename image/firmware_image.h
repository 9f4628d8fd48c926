// The flat sector image of the user program that an upgrade sends.
#pragma once

#include <array>
#include <cstdint>

namespace kq {

inline constexpr int ImageCapacity = 0x80000;  // bytes: 512 KiB
inline constexpr int SectorSize = 512;         // bytes per sector written
inline constexpr uint8_t ImageFill = 0xFF;     // erased-flash value of bytes no record sets

// Byte i holds the program byte at flash address userOffset + i. 512 KiB:
// keep it on the heap.
struct FirmwareImage {
    std::array<uint8_t, ImageCapacity> imageBytes{};
    int imageLength = 0;  // highest offset written by the last load + 1; 0 before any load

    int sectorCount() const { return (imageLength + SectorSize - 1) / SectorSize; }
    int paddedLength() const { return sectorCount() * SectorSize; }
};

}  // namespace kq
