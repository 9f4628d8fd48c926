// The folder of the running executable: the tool folder where remembered
// files, saved logs, the merged file and the ports/ links live.
#pragma once

#include <string>

namespace kq {

// Folder of the running executable with a trailing '/'; "./" if it cannot be found.
std::string exeDirectory();

}  // namespace kq
