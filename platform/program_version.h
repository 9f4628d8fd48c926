// The version of every program of the project. It is set in one place, the
// project() call of the top CMakeLists.txt.
#pragma once

#include <string>
#include <string_view>

namespace kq {

// "1.2.0".
std::string_view programVersion();
// What --version prints: "<program> <version>" and a line feed.
std::string versionLine(std::string_view program);

}  // namespace kq
