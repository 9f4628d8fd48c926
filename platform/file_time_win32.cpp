#include "platform/file_time.h"

#include <windows.h>

#include "platform/utf16_win32.h"

namespace kq {

namespace {

constexpr int64_t FileTicksPerSecond = 10000000;            // FILETIME counts 100 ns steps
constexpr int64_t FileTicksBefore1970 = 116444736000000000;  // 1601-01-01 to 1970-01-01, in those steps

}  // namespace

std::optional<std::string> modifiedTimeText(const std::string& path) {
    const auto wide = utf8ToUtf16(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !wide || !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    ULARGE_INTEGER ticks{};
    ticks.LowPart = data.ftLastWriteTime.dwLowDateTime;
    ticks.HighPart = data.ftLastWriteTime.dwHighDateTime;
    const int64_t seconds = (static_cast<int64_t>(ticks.QuadPart) - FileTicksBefore1970) / FileTicksPerSecond;
    return formatModifiedTime(static_cast<std::time_t>(seconds));
}

}  // namespace kq
