#include "link/module_address.h"

#include <string>

namespace kq {

namespace {

constexpr std::size_t AddressDigits = 12;   // characters of a module address text
constexpr int AddressBytes = 6;             // bytes of a ModuleAddress, two characters each

bool isWildcardPair(std::string_view pair) { return pair == "AA" || pair == "aa"; }
bool isDecimalDigit(char ch) { return ch >= '0' && ch <= '9'; }

// The value atoi gives for a two-character text: blanks, a sign, then the
// leading decimal digits.
int leadingNumber(std::string_view pair) {
    std::size_t i = 0;
    while (i < pair.size() && (pair[i] == ' ' || (pair[i] >= '\t' && pair[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < pair.size() && (pair[i] == '+' || pair[i] == '-')) negative = pair[i++] == '-';
    int value = 0;
    for (; i < pair.size() && isDecimalDigit(pair[i]); ++i) value = value * 10 + (pair[i] - '0');
    return negative ? -value : value;
}

}  // namespace

std::string paddedAddress(std::string_view text) {
    if (text.size() == AddressDigits) return std::string(text);
    std::string padded(AddressDigits, '0');
    padded.append(text);
    return padded.substr(padded.size() - AddressDigits);
}

uint8_t toBcd(int n) {
    const unsigned b = static_cast<unsigned>(n) & 0xFF;
    return static_cast<uint8_t>((b / 10) * 16 + b % 10);
}

ModuleAddress encodeModuleAddress(std::string_view text) {
    const std::string digits = paddedAddress(text);
    ModuleAddress address{};
    for (int k = 0; k < AddressBytes; ++k) {
        // Byte 0 comes from the last pair.
        const std::string_view pair = std::string_view(digits).substr(2 * (AddressBytes - 1 - k), 2);
        address[k] = isWildcardPair(pair) ? WildcardByte : toBcd(leadingNumber(pair));
    }
    return address;
}

bool isValidModuleAddress(std::string_view text) {
    if (text.size() > AddressDigits) return false;  // leading characters would be dropped unseen
    const std::string digits = paddedAddress(text);
    for (std::size_t i = 0; i < AddressDigits; i += 2) {
        const std::string_view pair = std::string_view(digits).substr(i, 2);
        if (!isWildcardPair(pair) && !(isDecimalDigit(pair[0]) && isDecimalDigit(pair[1]))) return false;
    }
    return true;
}

}  // namespace kq
