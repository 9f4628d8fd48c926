// Temporary folders and Intel HEX text for the merge and file-helper tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

#include "support/fresh_folder.h"
#include "support/utf8_path.h"
#include "support/whole_file_text.h"

namespace kq::testing {

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder() {
        const std::filesystem::path folder = test::makeFreshFolder("kqtest-");
        if (!folder.empty()) path_ = test::utf8String(folder) + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(test::utf8Path(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing '/'.
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + std::string(name); }

private:
    std::string path_;
};

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(test::utf8Path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) { return test::wholeFileText(path); }

inline constexpr std::string_view EndLine = ":00000001FF\r\n";

// One record line with a correct checksum, ended by CR LF.
inline std::string hexRecord(uint8_t type, uint16_t offset, std::string_view data) {
    char text[16];
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    std::snprintf(text, sizeof text, ":%02X%04X%02X", static_cast<unsigned>(data.size()), offset, type);
    std::string line = text;
    for (const char byte : data) {
        std::snprintf(text, sizeof text, "%02X", static_cast<unsigned char>(byte));
        line += text;
        sum += static_cast<unsigned char>(byte);
    }
    std::snprintf(text, sizeof text, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}

// A data record of count bytes 0, 1, 2, ... at offset.
inline std::string dataRecord(uint16_t offset, int count) {
    std::string data;
    for (int i = 0; i < count; ++i) data += static_cast<char>(i);
    return hexRecord(0x00, offset, data);
}

inline std::string upperAddressRecord(uint16_t upper) {
    return hexRecord(0x04, 0, std::string{static_cast<char>(upper >> 8), static_cast<char>(upper & 0xFF)});
}

// The records followed by the end record line.
inline std::string hexText(std::initializer_list<std::string> records) {
    std::string text;
    for (const auto& record : records) text += record;
    return text + std::string(EndLine);
}

// text with a comment line put in front so that it is exactly size bytes long
// (a line not starting with ':' is skipped by every reader).
inline std::string paddedTo(const std::string& text, std::size_t size) {
    const std::size_t missing = size - text.size();
    if (missing == 0) return text;
    if (missing == 1) return "\n" + text;
    return std::string(missing - 2, ';') + "\r\n" + text;
}

}  // namespace kq::testing
