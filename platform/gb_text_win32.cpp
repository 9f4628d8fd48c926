// GB18030 through the system's code page 54936.
//
// Where code page 54936 is missing (Wine has none), GBK's code page 936 takes
// its place, with these rules so that a text is written correctly or not at
// all, never with '?' for a character that could not be encoded:
// - GBK's two bytes are GB18030's two bytes for every character both hold;
//   best-fit replacements are switched off and a used default character makes
//   the whole text unencodable (the writer then reports failure).
// - The two part where GBK reads a byte pair as a private-use character in
//   U+E76C..U+E864 and GB18030 as a real character (81 pairs), and in the
//   euro sign (GBK's single byte 0x80, GB18030's A2 E3): the euro sign is
//   written as A2 E3, those private-use characters are refused, and their
//   byte pairs read as U+FFFD.
// - Characters beyond U+FFFF have an arithmetic four-byte form, used directly.
//   Four-byte forms of other characters need GB18030's table: such characters
//   are refused (GBK cannot hold them either) and such sequences read as one
//   U+FFFD each.
#include "platform/gb_text.h"

#include <windows.h>

#include <climits>
#include <cstdint>

#include "platform/utf16_win32.h"

namespace kq {
namespace {

constexpr UINT Gb18030CodePage = 54936;
constexpr UINT GbkCodePage = 936;
constexpr wchar_t ReplacementCharacter = 0xFFFD;
constexpr wchar_t EuroSign = 0x20AC;
constexpr std::string_view Gb18030Euro = "\xA2\xE3";
constexpr wchar_t GbkOnlyFirst = 0xE76C;  // private-use characters of GBK that GB18030 reads otherwise
constexpr wchar_t GbkOnlyLast = 0xE864;
constexpr uint32_t FourByteSupplementaryBase = 189000;  // index of 90 30 81 30, the form of U+10000
constexpr uint32_t FirstSupplementary = 0x10000;
constexpr uint32_t LastCodePoint = 0x10FFFF;

bool hasGb18030CodePage() {
    static const bool present = IsValidCodePage(Gb18030CodePage) != 0;
    return present;
}

bool isLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }
bool isDigitByte(uint8_t b) { return b >= 0x30 && b <= 0x39; }
bool isPairTrail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE); }
bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The text of bytes in the code page; nothing when a byte sequence is invalid there.
std::optional<std::wstring> decodeIn(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int inLength = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, wide.data(), n) != n)
        return std::nullopt;
    return wide;
}

// Bytes of wide in the code page; nullopt when a character has no form there
// or the bytes do not read back as the same text (a best fit).
std::optional<std::string> encodeIn(UINT codePage, std::wstring_view wide) {
    if (wide.empty()) return std::string();
    if (wide.size() > INT_MAX / 4) return std::nullopt;
    const int inLength = static_cast<int>(wide.size());
    // 54936 takes only WC_ERR_INVALID_CHARS; other code pages report a default character instead.
    const bool complete = codePage == Gb18030CodePage;
    const DWORD flags = complete ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = complete ? nullptr : &usedDefault;
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), inLength, nullptr, 0, nullptr, usedDefaultOut);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), inLength, bytes.data(), n, nullptr, usedDefaultOut);
    if (usedDefault) return std::nullopt;
    // The check that nothing was replaced on the way.
    if (decodeIn(codePage, bytes) != wide) return std::nullopt;
    return bytes;
}

void appendFourByteForm(std::string& out, uint32_t codePoint) {
    uint32_t index = codePoint - FirstSupplementary + FourByteSupplementaryBase;
    char form[4];
    form[3] = static_cast<char>(0x30 + index % 10);
    index /= 10;
    form[2] = static_cast<char>(0x81 + index % 126);
    index /= 126;
    form[1] = static_cast<char>(0x30 + index % 10);
    form[0] = static_cast<char>(0x81 + index / 10);
    out.append(form, 4);
}

// The fallback encoder of the file comment.
std::optional<std::string> encodeThroughGbk(std::wstring_view wide) {
    std::string out;
    size_t runStart = 0;
    const auto flushRun = [&](size_t end) {
        const auto bytes = encodeIn(GbkCodePage, wide.substr(runStart, end - runStart));
        if (!bytes) return false;
        out += *bytes;
        return true;
    };
    for (size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (c >= GbkOnlyFirst && c <= GbkOnlyLast) return std::nullopt;
        if (c != EuroSign && !isHighSurrogate(c) && !isLowSurrogate(c)) continue;
        if (!flushRun(i)) return std::nullopt;
        if (c == EuroSign) {
            out += Gb18030Euro;
        } else {
            if (!isHighSurrogate(c) || i + 1 >= wide.size() || !isLowSurrogate(wide[i + 1])) return std::nullopt;
            appendFourByteForm(out, FirstSupplementary + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(wide[i + 1]) - 0xDC00));
            ++i;
        }
        runStart = i + 1;
    }
    if (!flushRun(wide.size())) return std::nullopt;
    return out;
}

std::optional<std::wstring> decodePair(std::string_view pair) {
    if (hasGb18030CodePage()) return decodeIn(Gb18030CodePage, pair);
    if (pair == Gb18030Euro) return std::wstring(1, EuroSign);
    auto wide = decodeIn(GbkCodePage, pair);
    if (wide && wide->size() == 1 && (*wide)[0] >= GbkOnlyFirst && (*wide)[0] <= GbkOnlyLast) return std::nullopt;
    return wide;
}

std::optional<std::wstring> decodeFourBytes(std::string_view form) {
    if (hasGb18030CodePage()) return decodeIn(Gb18030CodePage, form);
    const auto b = [&](int i) { return static_cast<uint32_t>(static_cast<uint8_t>(form[size_t(i)])); };
    const uint32_t index = ((((b(0) - 0x81) * 10 + (b(1) - 0x30)) * 126 + (b(2) - 0x81)) * 10) + (b(3) - 0x30);
    if (index < FourByteSupplementaryBase) return std::nullopt;  // a BMP character: GBK has no table for it
    const uint32_t codePoint = index - FourByteSupplementaryBase + FirstSupplementary;
    if (codePoint > LastCodePoint) return std::nullopt;
    const uint32_t offset = codePoint - FirstSupplementary;
    return std::wstring{static_cast<wchar_t>(0xD800 + (offset >> 10)), static_cast<wchar_t>(0xDC00 + (offset & 0x3FF))};
}

}  // namespace

std::optional<std::string> utf8ToGb18030(std::string_view utf8) {
    const auto wide = utf8ToUtf16(utf8);
    if (!wide) return std::nullopt;
    return hasGb18030CodePage() ? encodeIn(Gb18030CodePage, *wide) : encodeThroughGbk(*wide);
}

std::string gb18030ToUtf8(std::string_view gb) {
    if (hasGb18030CodePage()) {
        if (const auto whole = decodeIn(Gb18030CodePage, gb)) return utf16ToUtf8(*whole);
    }
    // Damaged bytes, or no code page 54936: character by character.
    std::wstring wide;
    size_t i = 0;
    while (i < gb.size()) {
        const auto byte = [&](size_t at) { return static_cast<uint8_t>(gb[at]); };
        const uint8_t lead = byte(i);
        if (lead < 0x80) {
            wide += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        std::optional<std::wstring> character;
        size_t length = 1;
        if (isLeadByte(lead) && i + 1 < gb.size() && isPairTrail(byte(i + 1))) {
            length = 2;
            character = decodePair(gb.substr(i, 2));
        } else if (isLeadByte(lead) && i + 3 < gb.size() && isDigitByte(byte(i + 1)) && isLeadByte(byte(i + 2)) &&
                   isDigitByte(byte(i + 3))) {
            length = 4;
            character = decodeFourBytes(gb.substr(i, 4));
        }
        // A well-formed sequence without a character here is one U+FFFD; so is
        // every byte that starts no sequence at all.
        wide += character ? *character : std::wstring(1, ReplacementCharacter);
        i += length;
    }
    return utf16ToUtf8(wide);
}

}  // namespace kq
