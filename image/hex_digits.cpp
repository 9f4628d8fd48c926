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
    // Reads the way strtol(text, nullptr, 16) does with a 64-bit long, whatever
    // the platform's long: out-of-range magnitudes clamp to the 64-bit limits,
    // and the low 32 bits of the signed result are kept.
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // "0x" counts as a prefix only when a hex digit follows; otherwise the 0 is the number.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        isHexDigit(text[i + 2]))
        i += 2;

    constexpr uint64_t positiveLimit = std::numeric_limits<int64_t>::max();
    constexpr uint64_t negativeLimit = positiveLimit + 1;  // magnitude of the 64-bit minimum
    const uint64_t limit = negative ? negativeLimit : positiveLimit;
    uint64_t magnitude = 0;
    for (; i < text.size() && isHexDigit(text[i]); ++i) {
        const auto digit = static_cast<uint64_t>(hexDigitValue(text[i]));
        magnitude = magnitude > (limit - digit) / 16 ? limit : magnitude * 16 + digit;
    }
    const uint64_t value = negative ? 0 - magnitude : magnitude;  // two's complement of the signed result
    return static_cast<uint32_t>(value);
}

}  // namespace kq
