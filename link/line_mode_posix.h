// The termios form of the line settings, apart from the device so that it can
// be checked without hardware (pseudo-terminals ignore parity and size bits).
#pragma once

#include <termios.h>

#include "link/serial_port.h"

namespace kq {

// Turns mode into a raw line with the given speed, size, parity and stop bits,
// receiver on, modem status ignored, no hardware or software flow control,
// no parity test on input, and reads that never wait (VMIN = VTIME = 0).
// A speed outside the baud list leaves the mode's speed as it was.
void applyLineSettings(termios& mode, const LineSettings& settings);

}  // namespace kq
