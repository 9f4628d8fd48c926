#include "support/temp_hex_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "support/fresh_folder.h"
#include "support/utf8_path.h"

namespace kq::test {

namespace {

std::string record(int type, uint16_t address, const uint8_t* data, int count) {
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", count, address, type);
    std::string line = text;
    unsigned sum = unsigned(count) + (address >> 8) + (address & 0xFF) + unsigned(type);
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02X", data[i]);
        line += text;
        sum += data[i];
    }
    std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text + "\r\n";
}

}  // namespace

TempHexFile::TempHexFile() {
    folder_ = makeFreshFolder("kq-run-test-");
    if (folder_.empty()) throw std::runtime_error("no temporary folder");
}

TempHexFile::~TempHexFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TempHexFile::write(uint32_t address, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = folder_ / "program.hex";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    uint32_t block = 0xFFFFFFFF;
    for (size_t done = 0; done < bytes.size();) {
        const uint32_t at = address + uint32_t(done);
        if (at >> 16 != block) {
            block = at >> 16;
            const uint8_t upper[2] = {uint8_t(block >> 8), uint8_t(block)};
            out << record(0x04, 0, upper, 2);
        }
        const uint32_t roomInBlock = 0x10000 - (at & 0xFFFF);
        const int count = int(std::min<size_t>({16, bytes.size() - done, roomInBlock}));
        out << record(0x00, uint16_t(at), bytes.data() + done, count);
        done += size_t(count);
    }
    out << ":00000001FF\r\n";
    return utf8String(path);
}

std::string TempHexFile::missingPath() const { return utf8String(folder_ / "missing.hex"); }

std::vector<uint8_t> programBytes(int count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) bytes[size_t(i)] = uint8_t(i * 7 + i / 256 + 1);
    return bytes;
}

}  // namespace kq::test
