#include "image/hex_digits.h"

#include <limits>

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

namespace {

// White space as the C locale's isspace sees it.
bool isCSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

}  // namespace

uint32_t parseHexText(std::string_view text) {
    // Reads the way strtol(text, nullptr, 16) does with a 32-bit long, whatever
    // the platform's long: magnitudes beyond the 32-bit range clamp to
    // 0x7FFFFFFF and -0x80000000, and the signed result is kept as 32 bits.
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // "0x" counts as a prefix only when a hex digit follows; otherwise the 0 is the number.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        isHexDigit(text[i + 2]))
        i += 2;

    constexpr uint32_t positiveLimit = std::numeric_limits<int32_t>::max();
    constexpr uint32_t negativeLimit = positiveLimit + 1;  // magnitude of the 32-bit minimum
    const uint32_t limit = negative ? negativeLimit : positiveLimit;
    uint32_t magnitude = 0;
    for (; i < text.size() && isHexDigit(text[i]); ++i) {
        const auto digit = static_cast<uint32_t>(hexDigitValue(text[i]));
        magnitude = magnitude > (limit - digit) / 16 ? limit : magnitude * 16 + digit;
    }
    return negative ? 0 - magnitude : magnitude;  // two's complement of the signed result
}

}  // namespace kq
