#include "link/line_mode_posix.h"

namespace kq {
namespace {

speed_t speedFor(uint32_t bitsPerSecond, speed_t current) {
    switch (bitsPerSecond) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return current;  // a rate outside the baud list keeps the line's speed
    }
}

tcflag_t characterSize(uint8_t dataBits) {
    switch (dataBits) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        default: return CS8;
    }
}

}  // namespace

void applyLineSettings(termios& mode, const LineSettings& settings) {
    ::cfmakeraw(&mode);
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);  // no software flow, no parity test
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    mode.c_cflag |= characterSize(settings.dataBits) | CLOCAL | CREAD;
    if (settings.stopBits == 2) mode.c_cflag |= CSTOPB;  // code 2 = two stop bits (1.5 does not exist here)
    if (settings.parity == ParityOdd) mode.c_cflag |= PARENB | PARODD;
    if (settings.parity == ParityEven) mode.c_cflag |= PARENB;
    setReadsDistinct(mode);
    const speed_t speed = speedFor(settings.bitsPerSecond, ::cfgetospeed(&mode));
    ::cfsetispeed(&mode, speed);
    ::cfsetospeed(&mode, speed);
}

void setReadsDistinct(termios& mode) {
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
}

}  // namespace kq
