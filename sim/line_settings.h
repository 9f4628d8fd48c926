// The module's own line settings: a flasher set to anything else is heard as noise.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace kq::sim {

enum class Parity { None, Odd, Even };

struct ModuleLine {
    uint32_t baud = 115200;        // bits per second
    Parity parity = Parity::None;
};

// The termios speed code of a baud rate; nothing for a rate termios lacks.
std::optional<speed_t> termiosSpeed(uint32_t baud);

std::optional<Parity> parseParity(std::string_view text);  // none / odd / even

// Whether the parity that termios flags show can be the module's. A
// pseudo-terminal clears PARENB whatever its user sets; PARODD survives, and
// INPCK (parity checking of input), where the user sets it, marks parity as
// enabled. Without INPCK even parity looks like none, so the two then fit each other.
bool parityFits(const termios& settings, Parity expected);

}  // namespace kq::sim
