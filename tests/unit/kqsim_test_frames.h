// Request frames for the simulator's tests, built with the link's own frame builders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "link/link_frame.h"
#include "sim/request_parser.h"

namespace kq::sim::test {

using Bytes = std::vector<uint8_t>;

inline Bytes flashFrame(uint16_t code, uint32_t address, const Bytes& payload = {}) {
    Bytes frame(FrameBufferBytes);
    frame.resize(static_cast<size_t>(
        buildFrame(frame.data(), code, address, payload.data(), static_cast<int>(payload.size()))));
    return frame;
}

inline Bytes moduleFrame(uint16_t code, const ModuleAddress& module, const Bytes& payload = {}) {
    Bytes frame(FrameBufferBytes);
    frame.resize(static_cast<size_t>(
        buildModuleFrame(frame.data(), code, module, payload.data(), static_cast<int>(payload.size()))));
    return frame;
}

inline Bytes bigEndian32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value)};
}

inline Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The single request in bytes (the test fails if there is none).
inline Request requestFrom(const Bytes& bytes) {
    RequestParser parser;
    parser.feed(bytes.data(), bytes.size(), 0);
    std::optional<Request> request = parser.next();
    EXPECT_TRUE(request.has_value());
    return request.value_or(Request{});
}

}  // namespace kq::sim::test
