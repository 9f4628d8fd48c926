#include "platform/file_time.h"

#include <cstdio>

#include "platform/local_time.h"

namespace kq {

std::string formatModifiedTime(std::time_t t) {
    const auto local = localTime(t);
    if (!local) return std::string(ModifiedTimePrefix);
    char text[64];
    std::snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d", local->tm_year + 1900, local->tm_mon + 1,
                  local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec);
    return std::string(ModifiedTimePrefix) + text;
}

}  // namespace kq
