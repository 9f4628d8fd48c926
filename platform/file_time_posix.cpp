#include "platform/file_time.h"

#include <sys/stat.h>

namespace kq {

std::optional<std::string> modifiedTimeText(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return formatModifiedTime(st.st_mtime);
}

}  // namespace kq
