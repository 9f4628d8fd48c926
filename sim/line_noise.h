// Bytes a noisy line adds in front of a reply: random bytes with stray frame
// start bytes (0x68), ending in the header of a frame that never completes.
// A receiver must pass over all of it and still find the reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kq::sim {

class LineNoise {
public:
    explicit LineNoise(uint32_t seed = 0x2545F491u) : state_(seed) {}
    std::vector<uint8_t> make(size_t count);

private:
    uint8_t nextByte();
    uint32_t state_;
};

}  // namespace kq::sim
