// A new, empty folder under the system's temporary folder.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <string_view>

namespace kq::test {

// A folder named prefix + random letters that did not exist before; an empty
// path when none could be made.
inline std::filesystem::path makeFreshFolder(std::string_view prefix) {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random{std::random_device{}()};
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(prefix);
        for (int i = 0; i < 8; ++i) name += Letters[random() % (sizeof Letters - 1)];
        // create_directory is false when the folder was there already.
        if (std::filesystem::create_directory(temp / name, error)) return temp / name;
        if (error) return {};
    }
    return {};
}

}  // namespace kq::test
