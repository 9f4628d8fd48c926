#include "merge_window/about_text.h"

#include "platform/program_version.h"

namespace kq {

std::string aboutVersionText() { return "hexsplice " + std::string(programVersion()) + " 版"; }

}  // namespace kq
