// Where a path really leads: every symbolic link and ".." resolved.
#pragma once

#include <cstdlib>
#include <string>

namespace kq {

// The absolute path path resolves to; "" when it does not resolve (missing,
// a dangling link, no permission).
inline std::string realPathOf(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return "";
    std::string text(real);
    std::free(real);
    return text;
}

}  // namespace kq
