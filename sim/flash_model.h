// The module's flash memory: one contiguous range of flash addresses with a
// bootloader area at its bottom that can be neither erased nor written.
// Erasing sets bytes to 0xFF; programming can only clear bits (new = old AND data),
// so data written over unerased flash comes back altered.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image/chip_family.h"

namespace kq::sim {

struct FlashGeometry {
    uint32_t base = 0;      // flash address of the first byte
    uint32_t size = 0;      // bytes
    uint32_t bootSize = 0;  // bytes of the protected bootloader area from base on
};

inline constexpr uint8_t ErasedByte = 0xFF;
inline constexpr uint32_t Kq581xFlashBytes = 0x10000;   // 64 KiB
inline constexpr uint32_t Kq581xBootBytes = 0x1000;     // default bootloader area, bytes
inline constexpr uint32_t Kq58xxFlashBase = 0;
inline constexpr uint32_t Kq58xxFlashBytes = 0x80000;   // 512 KiB
inline constexpr uint32_t Kq58xxBootBytes = 0x4000;     // default bootloader area, bytes

// The family's flash, with its default bootloader area unless bootSize is given.
FlashGeometry flashGeometry(ChipFamily family, std::optional<uint32_t> bootSize = std::nullopt);

class FlashModel {
public:
    explicit FlashModel(const FlashGeometry& geometry);  // starts erased

    const FlashGeometry& geometry() const { return geometry_; }

    // [address, address + length) lies inside the flash.
    bool contains(uint32_t address, uint64_t length) const;
    // ... and touches no byte of the bootloader area.
    bool isWritable(uint32_t address, uint64_t length) const;

    // Each returns false, changing nothing, when the range is not writable.
    bool erase(uint32_t address, uint32_t length);
    bool program(uint32_t address, const uint8_t* data, uint32_t length);
    // Erases everything above the bootloader area.
    void eraseApplicationArea();

    // crc16 of the range, or nothing when the range is not inside the flash.
    std::optional<uint16_t> crc(uint32_t address, uint32_t length) const;

    // The whole flash, byte 0 at geometry().base.
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Replaces the content from the bottom on (bootloader area included);
    // false when data is larger than the flash.
    bool load(const std::vector<uint8_t>& data);

private:
    FlashGeometry geometry_;
    std::vector<uint8_t> bytes_;
};

}  // namespace kq::sim
