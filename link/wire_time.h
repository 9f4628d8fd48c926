// How long characters spend on a serial line at its settings. A write can
// return while an adapter's buffer (or a pseudo-terminal) still holds the
// bytes, so a reply cannot come before the request's wire time has passed.
#pragma once

#include <cstdint>

#include "link/serial_port.h"

namespace kq {

inline constexpr int StartBitsPerCharacter = 1;   // bits before the data bits, each character
inline constexpr int ParityBitsPerCharacter = 1;  // bits after them with odd or even parity
inline constexpr uint64_t MicrosPerSecond = 1000000;

// Bits one character takes: start, data, parity (if any), stop. A stop-bit
// code other than 0 (one) counts two bits, rounding 1.5 up.
constexpr int bitsPerCharacter(const LineSettings& settings) {
    const int parityBits = settings.parity == ParityNone ? 0 : ParityBitsPerCharacter;
    const int stopBits = settings.stopBits == 0 ? 1 : 2;
    return StartBitsPerCharacter + settings.dataBits + parityBits + stopBits;
}

// Microseconds that count characters take at the settings' rate, rounded up
// (0 for no characters or no rate).
constexpr uint32_t wireTimeUs(const LineSettings& settings, int count) {
    if (count <= 0 || settings.bitsPerSecond == 0) return 0;
    const uint64_t bits = static_cast<uint64_t>(count) * static_cast<uint64_t>(bitsPerCharacter(settings));
    return static_cast<uint32_t>((bits * MicrosPerSecond + settings.bitsPerSecond - 1) / settings.bitsPerSecond);
}

}  // namespace kq
