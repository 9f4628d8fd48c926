// Hex digit conversion shared by the HEX loader and the merge engine.
#pragma once

#include <cstdint>
#include <string_view>

namespace kq {

// Value of one hex digit character, without validation: 'a'.. and 'A'.. and
// '0'.. are mapped by subtraction, so other characters give meaningless values.
int hexDigitValue(char ch);
// The byte written by the two characters at p, high digit first (8 bits kept).
uint8_t hexByteValue(const char* p);
// True for 0-9, A-F, a-f.
bool isHexDigit(char ch);
// Value of a hexadecimal text as strtol with base 16 and a 32-bit long reads
// it (leading blanks, sign and "0x" accepted, stops at the first non-digit, ""
// gives 0; beyond the range it clamps to 0x7FFFFFFF or -0x80000000), as 32 bits.
uint32_t parseHexText(std::string_view text);

}  // namespace kq
