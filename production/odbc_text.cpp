#include "production/odbc_api.h"

namespace kq::production {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// The code point starting at text[at], advancing at; Replacement for a
// byte that does not start a well-formed sequence.
char32_t nextCodePoint(std::string_view text, size_t& at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    char32_t point = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        ++at;
        return Replacement;
    }
    if (at + length > text.size()) {
        ++at;
        return Replacement;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return Replacement;
        }
        point = (point << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and points past U+10FFFF are not UTF-8.
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    if (overlong || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
        ++at;
        return Replacement;
    }
    at += length;
    return point;
}

void appendUtf8(std::string& text, char32_t point) {
    if (point < 0x80) {
        text += static_cast<char>(point);
    } else if (point < 0x800) {
        text += static_cast<char>(0xC0 | (point >> 6));
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        text += static_cast<char>(0xE0 | (point >> 12));
        text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (point >> 18));
        text += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

SqlWideText toSqlWide(std::string_view utf8) {
    SqlWideText wide;
    wide.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const char32_t point = nextCodePoint(utf8, at);
        if (point < 0x10000) {
            wide += static_cast<SQLWCHAR>(point);
        } else {
            wide += static_cast<SQLWCHAR>(0xD800 + ((point - 0x10000) >> 10));
            wide += static_cast<SQLWCHAR>(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
    }
    return wide;
}

std::string fromSqlWide(const SQLWCHAR* text, size_t length) {
    std::string utf8;
    utf8.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const char32_t unit = static_cast<char16_t>(text[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
            const char32_t low = static_cast<char16_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(utf8, unit >= 0xD800 && unit <= 0xDFFF ? Replacement : unit);
    }
    return utf8;
}

}  // namespace kq::production
