#include "sim/flash_model.h"

#include <algorithm>

#include "link/link_frame.h"

namespace kq::sim {

FlashGeometry flashGeometry(ChipFamily family, std::optional<uint32_t> bootSize) {
    if (family == ChipFamily::Kq581x)
        return {Kq581xFlashBase, Kq581xFlashBytes, bootSize.value_or(Kq581xBootBytes)};
    return {Kq58xxFlashBase, Kq58xxFlashBytes, bootSize.value_or(Kq58xxBootBytes)};
}

FlashModel::FlashModel(const FlashGeometry& geometry)
    : geometry_(geometry), bytes_(geometry.size, ErasedByte) {}

bool FlashModel::contains(uint32_t address, uint64_t length) const {
    // 64-bit sums: an address near 2^32 plus a length must not wrap into range.
    const uint64_t start = address;
    return start >= geometry_.base && start + length <= uint64_t{geometry_.base} + geometry_.size;
}

bool FlashModel::isWritable(uint32_t address, uint64_t length) const {
    return contains(address, length) && uint64_t{address} >= uint64_t{geometry_.base} + geometry_.bootSize;
}

bool FlashModel::erase(uint32_t address, uint32_t length) {
    if (!isWritable(address, length)) return false;
    std::fill_n(bytes_.begin() + (address - geometry_.base), length, ErasedByte);
    return true;
}

bool FlashModel::program(uint32_t address, const uint8_t* data, uint32_t length) {
    if (!isWritable(address, length)) return false;
    uint8_t* cell = bytes_.data() + (address - geometry_.base);
    for (uint32_t i = 0; i < length; ++i) cell[i] &= data[i];
    return true;
}

void FlashModel::eraseApplicationArea() {
    const uint32_t boot = std::min(geometry_.bootSize, geometry_.size);
    std::fill(bytes_.begin() + boot, bytes_.end(), ErasedByte);
}

std::optional<uint16_t> FlashModel::crc(uint32_t address, uint32_t length) const {
    if (!contains(address, length)) return std::nullopt;
    return crc16(bytes_.data() + (address - geometry_.base), length);
}

bool FlashModel::load(const std::vector<uint8_t>& data) {
    if (data.size() > bytes_.size()) return false;
    std::fill(bytes_.begin(), bytes_.end(), ErasedByte);
    std::copy(data.begin(), data.end(), bytes_.begin());
    return true;
}

}  // namespace kq::sim
