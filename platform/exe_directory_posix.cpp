#include "platform/exe_directory.h"

#include <unistd.h>

#include <array>

namespace kq {

std::string exeDirectory() {
    std::array<char, 4096> path{};
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) return "./";
    std::string text(path.data(), static_cast<size_t>(n));
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? "./" : text.substr(0, slash + 1);
}

}  // namespace kq
