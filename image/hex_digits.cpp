#include "image/hex_digits.h"

namespace kq {

int hexDigitValue(char ch) {
    // Compared as signed 8-bit values: bytes of 0x80 and above count as below '0'.
    const auto c = static_cast<signed char>(ch);
    if (c >= 'a') return c - 0x57;
    if (c >= 'A') return c - 0x37;
    return c - 0x30;
}

uint8_t hexByteValue(const char* p) {
    return static_cast<uint8_t>(hexDigitValue(p[0]) * 16 + hexDigitValue(p[1]));
}

bool isHexDigit(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

}  // namespace kq
