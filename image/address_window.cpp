#include "image/address_window.h"

#include "image/hex_digits.h"
#include "image/hex_image.h"

namespace kq {

AddressWindow AddressWindow::forInputs(const HexLoadInputs& inputs) {
    const uint32_t base = parseHexText(inputs.userOffsetHex);
    const bool arm = inputs.chipFamily != Kq581x;
    const bool areaBound = arm && inputs.bootloadType == RemoteWithBackup;
    const uint32_t areaEnd = base + static_cast<uint32_t>(inputs.upgradeAreaKiB) * 1024u;
    return AddressWindow(base, addressLimit(inputs.chipFamily), areaBound, areaEnd);
}

bool AddressWindow::admitsByte(uint64_t address) const {
    return address >= base_ && address < limit_ && !(areaBound_ && address >= areaEnd_);
}

bool AddressWindow::admits(uint32_t first, int count) const {
    if (!admitsByte(first)) return false;
    return count <= 1 || admitsByte(static_cast<uint64_t>(first) + static_cast<uint64_t>(count - 1));
}

}  // namespace kq
