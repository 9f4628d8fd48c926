// The version line of the hexsplice About box, which every view shows: the
// project's version, from the one place it is set.
#pragma once

#include <string>

namespace kq {

// "hexsplice 1.2.0 版".
std::string aboutVersionText();

}  // namespace kq
