// One Intel HEX record taken from the characters of its own line.
#pragma once

#include <cstdint>
#include <string_view>

namespace kq {

enum HexRecordType : uint8_t {
    HexData = 0x00,
    HexEndOfFile = 0x01,
    HexExtendedSegment = 0x02,  // value × 16 is the base of the following data records
    HexStartSegment = 0x03,
    HexExtendedLinear = 0x04,   // value × 65536 is the base of the following data records
    HexStartLinear = 0x05,
};

inline constexpr int HexRecordOverhead = 11;  // characters: ':', count, address, type, checksum

struct HexRecord {
    uint8_t count = 0;     // data bytes
    uint16_t address = 0;  // low 16 address bits of the first data byte
    uint8_t type = 0;
    const char* data = nullptr;  // 2 × count hex digits, validated

    // Data byte i (0 <= i < count).
    uint8_t byte(int i) const;
    // The first two data bytes as a big-endian number (address records).
    uint16_t word() const { return static_cast<uint16_t>(byte(0) << 8 | byte(1)); }
};

// Decodes a line starting with ':'. False when a character of the record is
// not a hex digit, the line holds fewer characters than the count needs, the
// checksum is wrong, anything but blanks (spaces, tabs) follows the checksum,
// or an extended address record (02, 04) holds fewer than the two data bytes
// of its value. The one record rule of the HEX loader and the merge engine.
bool parseHexRecord(std::string_view line, HexRecord& record);

// The address base that an extended address record (type 02 or 04) holding
// value gives the data records after it: value × 16 for a segment, value ×
// 65536 for a linear address, where a KQ581X takes the linear 0x00FF as 0
// (a 251 linker places flash there).
uint32_t extendedAddressBase(uint8_t type, uint16_t value, int chipFamily);

}  // namespace kq
