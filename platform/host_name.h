// The name of the machine the program runs on, for records of its work.
#pragma once

#include <string>

namespace kq {

// The host name as the system gives it (UTF-8); "" when it cannot be had.
std::string hostName();

}  // namespace kq
