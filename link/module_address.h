// The module address: 12 characters, six pairs, last pair first on the line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_frame.h"

namespace kq {

// Packed BCD of the low 8 bits of n (255 gives 0x95).
uint8_t toBcd(int n);
// Six address bytes from the text: padded on the left with '0' to 12
// characters (the last 12 kept), pair "AA"/"aa" = 0xAA, other pairs BCD of
// their leading decimal digits.
ModuleAddress encodeModuleAddress(std::string_view text);
// True when the text has at most 12 characters and, after the padding, every
// pair is two decimal digits or "AA"/"aa".
bool isValidModuleAddress(std::string_view text);
// The 12 characters a valid address text is sent as: padded on the left with
// '0', the wildcard pair written "AA" ("12345" gives "000000012345").
std::string sentModuleAddress(std::string_view text);

}  // namespace kq
