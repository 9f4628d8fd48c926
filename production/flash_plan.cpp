#include "production/flash_plan.h"

#include <charconv>
#include <optional>

#include "link/serial_port.h"

namespace kq::production {

namespace {

std::optional<int> decimalNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

int comPortNumber(std::string_view text) {
    if (text.size() < 4 || (text[0] != 'C' && text[0] != 'c') || (text[1] != 'O' && text[1] != 'o') ||
        (text[2] != 'M' && text[2] != 'm')) {
        return 0;
    }
    std::string_view digits = text.substr(3);
    if (digits.starts_with(' ')) digits.remove_prefix(1);
    if (digits.empty()) return 0;
    for (char ch : digits) {
        if (ch < '0' || ch > '9') return 0;
    }
    const std::optional<int> number = decimalNumber(digits);  // none when out of int range
    return number && *number >= 1 && *number <= MaxPorts ? *number : -1;
}

}  // namespace kq::production
