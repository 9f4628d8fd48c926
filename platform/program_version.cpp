#include "platform/program_version.h"

// KQ_PROGRAM_VERSION comes from the build (platform/CMakeLists.txt).
#ifndef KQ_PROGRAM_VERSION
#error "KQ_PROGRAM_VERSION is not defined: build through CMake"
#endif

namespace kq {

std::string_view programVersion() { return KQ_PROGRAM_VERSION; }

std::string versionLine(std::string_view program) {
    std::string line(program);
    line += ' ';
    line += programVersion();
    line += '\n';
    return line;
}

}  // namespace kq
