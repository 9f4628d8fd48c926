#include "sim/line_noise.h"

#include <algorithm>
#include <array>

#include "link/link_frame.h"

namespace kq::sim {

namespace {

constexpr size_t StrayStartEvery = 5;  // every 5th noise byte is a stray 0x68
// A flash-layout header promising L = 6 that the following bytes do not complete.
constexpr std::array<uint8_t, 4> FakeFrameStart{FrameStart, 0x00, 0x06, FrameStart};

}  // namespace

uint8_t LineNoise::nextByte() {
    // xorshift32: deterministic, so a run with noise can be repeated exactly.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<uint8_t>(state_ >> 24);
}

std::vector<uint8_t> LineNoise::make(size_t count) {
    std::vector<uint8_t> noise(count);
    for (size_t i = 0; i < count; ++i) noise[i] = (i % StrayStartEvery == StrayStartEvery - 1) ? FrameStart : nextByte();
    const size_t tail = std::min(count, FakeFrameStart.size());
    std::copy_n(FakeFrameStart.end() - tail, tail, noise.end() - tail);
    return noise;
}

}  // namespace kq::sim
