// The termios form of the line settings, apart from the device so that it can
// be checked without hardware (pseudo-terminals ignore parity and size bits).
#pragma once

#include <termios.h>

#include "link/serial_port.h"

namespace kq {

// Turns mode into a raw line with the given speed, size, parity and stop bits,
// receiver on, modem status ignored, no hardware or software flow control,
// no parity test on input, and reads as setReadsDistinct gives them.
// A speed outside the baud list leaves the mode's speed as it was.
void applyLineSettings(termios& mode, const LineSettings& settings);

// VMIN = 1, VTIME = 0. On a descriptor opened O_NONBLOCK a read still never
// waits, but an empty queue now gives EAGAIN, so that end of file (0) means
// only a hung-up line. (With VMIN = 0 both read as 0.)
void setReadsDistinct(termios& mode);

}  // namespace kq
