#include "production/run_id.h"

namespace kq::production {

std::string runIdFromBytes(const std::array<uint8_t, 16>& raw) {
    std::array<uint8_t, 16> bytes = raw;
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // variant 10xx: RFC 4122
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(RunIdLength);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += Digits[bytes[i] >> 4];
        text += Digits[bytes[i] & 0x0F];
    }
    return text;
}

std::optional<std::string> newRunId() {
    std::array<uint8_t, 16> bytes{};
    if (!systemRandomBytes(bytes.data(), bytes.size())) return std::nullopt;
    return runIdFromBytes(bytes);
}

bool isRunId(std::string_view text) {
    if (text.size() != RunIdLength) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

}  // namespace kq::production
