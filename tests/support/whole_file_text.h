// A whole file's bytes, read in binary mode, for the tests' checks.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "support/utf8_path.h"

namespace kq::test {

// The bytes of the file at path (UTF-8); "" when it cannot be read.
inline std::string wholeFileText(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kq::test
