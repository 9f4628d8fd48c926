#include "platform/file_time.h"

#include <sys/stat.h>

#include <cstdio>

namespace kq {

std::string formatModifiedTime(std::time_t t) {
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return std::string(ModifiedTimePrefix);
    char text[64];
    std::snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(ModifiedTimePrefix) + text;
}

std::optional<std::string> modifiedTimeText(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return formatModifiedTime(st.st_mtime);
}

}  // namespace kq
