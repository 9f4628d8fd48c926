#include "platform/utf16_win32.h"

#include <windows.h>

#include <climits>

namespace kq {

std::optional<std::wstring> utf8ToUtf16(std::string_view utf8) {
    if (utf8.empty()) return std::wstring();
    if (utf8.size() > INT_MAX) return std::nullopt;
    const int inLength = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLength, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLength, wide.data(), n);
    return wide;
}

std::string utf16ToUtf8(std::wstring_view utf16) {
    if (utf16.empty() || utf16.size() > INT_MAX) return std::string();
    const int inLength = static_cast<int>(utf16.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace kq
