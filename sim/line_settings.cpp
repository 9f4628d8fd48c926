#include "sim/line_settings.h"

#include <array>
#include <utility>

namespace kq::sim {

std::optional<speed_t> termiosSpeed(uint32_t baud) {
    static constexpr std::array<std::pair<uint32_t, speed_t>, 15> Speeds{{
        {300, B300}, {600, B600}, {1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600},
        {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
        {460800, B460800}, {500000, B500000}, {921600, B921600}, {1000000, B1000000},
    }};
    for (const auto& [rate, code] : Speeds)
        if (rate == baud) return code;
    return std::nullopt;
}

std::optional<Parity> parseParity(std::string_view text) {
    if (text == "none") return Parity::None;
    if (text == "odd") return Parity::Odd;
    if (text == "even") return Parity::Even;
    return std::nullopt;
}

bool parityFits(const termios& settings, Parity expected) {
    if (settings.c_cflag & PARODD) return expected == Parity::Odd;
    if ((settings.c_cflag & PARENB) || (settings.c_iflag & INPCK)) return expected == Parity::Even;
    return expected != Parity::Odd;
}

}  // namespace kq::sim
