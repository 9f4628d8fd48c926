// The items of the port box.
#pragma once

#include <string>

namespace kq {

// "COM 3 (/dev/ttyUSB0)", "COM12 (USB-SERIAL CH340 (COM12))": a blank between
// the letters and a one-digit number, then in parentheses the port's
// description (portDescription: the device, or the name the system gives it)
// when it says more than the number does. A Windows port without a friendly
// name is described by its device "\.\COMn" alone, which is left out.
std::string portItemText(int port, const std::string& description);

}  // namespace kq
