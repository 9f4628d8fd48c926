// Writes Intel HEX files with correct checksums into a fresh temporary
// folder that is removed with the object.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kq::test {

class TempHexFile {
public:
    TempHexFile();
    ~TempHexFile();
    TempHexFile(const TempHexFile&) = delete;
    TempHexFile& operator=(const TempHexFile&) = delete;

    // Writes bytes from address (16-byte data records, a type 04 record
    // before each 64 KiB block, the end record) and returns the file's path.
    std::string write(uint32_t address, const std::vector<uint8_t>& bytes);
    // A path in the folder where no file exists.
    std::string missingPath() const;

private:
    std::filesystem::path folder_;
};

// count bytes of a pattern with no long runs of one value.
std::vector<uint8_t> programBytes(int count);

}  // namespace kq::test
