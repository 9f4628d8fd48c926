// The module address: 12 characters, six pairs, last pair first on the line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_frame.h"

namespace kq {

// Packed BCD of the low 8 bits of n (255 gives 0x95).
uint8_t toBcd(int n);
// The 12 characters an address is read from: a shorter or longer text
// padded on the left with '0', the last 12 kept. Records hold this form.
std::string paddedAddress(std::string_view text);
// Six address bytes from the text: padded on the left with '0' to 12
// characters (the last 12 kept), pair "AA"/"aa" = 0xAA, other pairs BCD of
// their leading decimal digits.
ModuleAddress encodeModuleAddress(std::string_view text);
// True when the text has at most 12 characters and, after the padding, every
// pair is two decimal digits or "AA"/"aa".
bool isValidModuleAddress(std::string_view text);

}  // namespace kq
