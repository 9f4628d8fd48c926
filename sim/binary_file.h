// Whole-file binary reads and writes for the flash image options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kq::sim {

// Each returns false and sets error (with the OS reason) on failure.
bool readBinaryFile(const std::string& path, std::vector<uint8_t>& data, std::string& error);
bool writeBinaryFile(const std::string& path, const std::vector<uint8_t>& data, std::string& error);

}  // namespace kq::sim
