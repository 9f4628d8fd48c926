#include "platform/exe_directory.h"

#include <windows.h>

#include "platform/utf16_win32.h"

namespace kq {

namespace {
constexpr DWORD LongestPath = 32768;  // characters, the limit of a \\?\ path
}

std::string exeDirectory() {
    // The buffer grows until the whole name fits (GetModuleFileNameW cuts it
    // to the buffer without saying so other than by filling it).
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return "./";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= LongestPath) return "./";
        path.resize(path.size() * 2);
    }
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return "./";
    return utf16ToUtf8(std::wstring_view(path).substr(0, separator + 1));
}

}  // namespace kq
