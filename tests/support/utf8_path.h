// Paths in the tests are UTF-8 strings, as in the core. The C++ library reads
// a narrow path in the system's code page (the ANSI code page on Windows):
// these convert explicitly.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kq::test {

inline std::filesystem::path utf8Path(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8String(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace kq::test
