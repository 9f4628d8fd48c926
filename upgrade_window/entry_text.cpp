#include "upgrade_window/entry_text.h"

#include <charconv>
#include <climits>
#include <cstdint>

namespace kq {
namespace {

// The code point starting at text[i] and its length in bytes; a broken
// sequence reads as one byte of its own.
std::pair<char32_t, std::size_t> codePointAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || i + length > text.size()) return {lead, 1};
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return {value, length};
}

// The white space an integer box skips around its number: the ASCII blanks
// and the Unicode spaces (the ideographic space of a Chinese input among them).
bool isWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// text without the white space at either end.
std::string_view trimmed(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto [c, length] = codePointAt(text, begin);
        if (!isWhiteSpace(c)) break;
        begin += length;
    }
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size();) {
        const auto [c, length] = codePointAt(text, i);
        i += length;
        if (!isWhiteSpace(c)) end = i;
    }
    return text.substr(begin, end - begin);
}

}  // namespace

std::optional<int> wholeNumber(std::string_view utf8) {
    std::string_view number = trimmed(utf8);
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    if (number.empty()) return std::nullopt;
    for (const char c : number)
        if (c < '0' || c > '9') return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

int editLength(std::string_view utf8) {
    int units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [c, length] = codePointAt(utf8, i);
        units += c > 0xFFFF ? 2 : 1;
        i += length;
    }
    return units;
}

}  // namespace kq
