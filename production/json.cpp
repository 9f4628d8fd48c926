#include "production/json.h"

#include <cmath>
#include <cstdio>

namespace kq::production {

namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Length of the well-formed UTF-8 sequence at text[at] (1 to 4), or 0 when
// the bytes there are not one (overlong forms and surrogates included).
size_t utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0) {
            out += ReplacementCharacter;
            ++at;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++at;
    }
    out += '"';
    return out;
}

void JsonObject::name(std::string_view name) {
    if (!members_.empty()) members_ += ',';
    members_ += jsonString(name);
    members_ += ':';
}

JsonObject& JsonObject::add(std::string_view name, std::string_view text) {
    this->name(name);
    members_ += jsonString(text);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, int64_t number) {
    this->name(name);
    members_ += std::to_string(number);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, const std::optional<std::string>& text) {
    if (text) return add(name, std::string_view(*text));
    this->name(name);
    members_ += "null";
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, const std::optional<int64_t>& number) {
    if (number) return add(name, *number);
    this->name(name);
    members_ += "null";
    return *this;
}

JsonObject& JsonObject::addFixed3(std::string_view name, double number) {
    this->name(name);
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", std::isfinite(number) ? number : 0.0);
    members_ += text;
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, const std::vector<std::string>& texts) {
    this->name(name);
    members_ += '[';
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) members_ += ',';
        members_ += jsonString(texts[i]);
    }
    members_ += ']';
    return *this;
}

}  // namespace kq::production
