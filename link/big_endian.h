// Multi-byte numbers as the link frames carry them: most significant byte first.
#pragma once

#include <cstdint>

namespace kq {

inline void putBigEndian16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
}

inline void putBigEndian32(uint8_t* out, uint32_t value) {
    putBigEndian16(out, static_cast<uint16_t>(value >> 16));
    putBigEndian16(out + 2, static_cast<uint16_t>(value));
}

inline uint16_t bigEndian16(const uint8_t* in) { return static_cast<uint16_t>(in[0] << 8 | in[1]); }

inline uint32_t bigEndian32(const uint8_t* in) {
    return static_cast<uint32_t>(bigEndian16(in)) << 16 | bigEndian16(in + 2);
}

}  // namespace kq
