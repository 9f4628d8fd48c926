// The full addresses a HEX upgrade file may place data at.
#pragma once

#include <cstdint>

namespace kq {

struct HexLoadInputs;

class AddressWindow {
public:
    // base = the user offset; the limit follows the chip family, and for a
    // KQ58XX upgraded remotely with backup also the upgrade area size.
    static AddressWindow forInputs(const HexLoadInputs& inputs);

    AddressWindow(uint32_t base, uint32_t limit, bool areaBound, uint32_t areaEnd)
        : base_(base), limit_(limit), areaBound_(areaBound), areaEnd_(areaEnd) {}

    // True when every byte of count bytes starting at first lies inside.
    bool admits(uint32_t first, int count) const;
    uint32_t base() const { return base_; }

private:
    bool admitsByte(uint64_t address) const;

    uint32_t base_;
    uint32_t limit_;     // first address refused whatever the base
    bool areaBound_;     // the upgrade area bounds the window as well
    uint32_t areaEnd_;   // base + area size in 32-bit arithmetic
};

}  // namespace kq
