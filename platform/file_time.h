// The "last modified" text shown under a chosen file.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace kq {

inline constexpr std::string_view ModifiedTimePrefix = "最近修改时间:";

// ModifiedTimePrefix followed by t in local time as "YYYY-MM-DD hh:mm:ss".
std::string formatModifiedTime(std::time_t t);
// The text for the file (or folder) at path; nullopt when nothing of that
// name is found (an empty path included).
std::optional<std::string> modifiedTimeText(const std::string& path);

}  // namespace kq
