// The items of the port box.
#pragma once

#include <string>

namespace kq {

// "COM 3 (/dev/ttyUSB0)", "COM12 (/dev/pts/4)": a blank between the letters
// and a one-digit number, the device in parentheses when known.
std::string portItemText(int port, const std::string& device);

}  // namespace kq
