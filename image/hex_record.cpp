#include "image/hex_record.h"

#include "image/chip_family.h"
#include "image/hex_digits.h"

namespace kq {

namespace {

bool allHexDigits(std::string_view text) {
    for (char ch : text)
        if (!isHexDigit(ch)) return false;
    return true;
}

bool onlyBlanks(std::string_view text) {
    for (char ch : text)
        if (ch != ' ' && ch != '\t') return false;
    return true;
}

}  // namespace

uint8_t HexRecord::byte(int i) const { return hexByteValue(data + 2 * i); }

bool parseHexRecord(std::string_view line, HexRecord& record) {
    if (line.size() < HexRecordOverhead || line[0] != ':') return false;
    if (!allHexDigits(line.substr(1, 2))) return false;
    const int count = hexByteValue(line.data() + 1);
    const std::size_t length = HexRecordOverhead + 2 * static_cast<std::size_t>(count);
    if (line.size() < length || !allHexDigits(line.substr(1, length - 1))) return false;
    if (!onlyBlanks(line.substr(length))) return false;

    // Count, address, type, data and checksum bytes add up to 0 in 8 bits.
    unsigned sum = 0;
    for (std::size_t i = 1; i < length; i += 2) sum += hexByteValue(line.data() + i);
    if ((sum & 0xFF) != 0) return false;

    const uint8_t type = hexByteValue(line.data() + 7);
    if ((type == HexExtendedSegment || type == HexExtendedLinear) && count < 2) return false;

    record.count = static_cast<uint8_t>(count);
    record.address = static_cast<uint16_t>(hexByteValue(line.data() + 3) << 8 | hexByteValue(line.data() + 5));
    record.type = type;
    record.data = line.data() + 9;
    return true;
}

uint32_t extendedAddressBase(uint8_t type, uint16_t value, int chipFamily) {
    if (type == HexExtendedSegment) return static_cast<uint32_t>(value) * 16;
    if (isKq581x(chipFamily) && value == Kq581xHighAddress) return 0;
    return static_cast<uint32_t>(value) << 16;
}

}  // namespace kq
