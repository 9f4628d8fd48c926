// The folder of the running executable. Whether the programs' files live
// there too is tool_folder.h's decision.
#pragma once

#include <string>

namespace kq {

// Folder of the running executable with a trailing '/'; "./" if it cannot be found.
std::string exeDirectory();

}  // namespace kq
