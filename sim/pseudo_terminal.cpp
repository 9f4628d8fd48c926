#include "sim/pseudo_terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>

namespace kq::sim {

namespace {

std::string reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool PseudoTerminal::open(const ModuleLine& line, std::string& error) {
    UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!master.valid()) {
        error = reason("posix_openpt");
        return false;
    }
    if (grantpt(master.get()) != 0 || unlockpt(master.get()) != 0) {
        error = reason("unlockpt");
        return false;
    }
    const char* name = ptsname(master.get());
    if (!name) {
        error = reason("ptsname");
        return false;
    }
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY));
    if (!slave.valid()) {
        error = reason(name);
        return false;
    }

    termios settings{};
    if (tcgetattr(slave.get(), &settings) != 0) {
        error = reason("tcgetattr");
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~(PARENB | PARODD);
    settings.c_iflag &= ~INPCK;
    if (line.parity != Parity::None) {
        settings.c_cflag |= PARENB;
        settings.c_iflag |= INPCK;
    }
    if (line.parity == Parity::Odd) settings.c_cflag |= PARODD;
    const speed_t speed = termiosSpeed(line.baud).value_or(B115200);
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    if (tcsetattr(slave.get(), TCSANOW, &settings) != 0) {
        error = reason("tcsetattr");
        return false;
    }

    master_ = std::move(master);
    slave_ = std::move(slave);
    slaveName_ = name;
    return true;
}

bool PseudoTerminal::lineMatches(const ModuleLine& line) const {
    termios settings{};
    if (!slave_.valid() || tcgetattr(slave_.get(), &settings) != 0) return false;
    const std::optional<speed_t> speed = termiosSpeed(line.baud);
    // The output speed: an input speed of 0 means "as output" and reads back either way.
    return speed && cfgetospeed(&settings) == *speed && parityFits(settings, line.parity);
}

int PseudoTerminal::unreadReplyBytes() const {
    int waiting = 0;
    if (!slave_.valid() || ioctl(slave_.get(), FIONREAD, &waiting) != 0) return 0;
    return waiting;
}

void PseudoTerminal::close() {
    master_.reset();
    slave_.reset();
}

}  // namespace kq::sim
