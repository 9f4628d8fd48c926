#include "sim/backup_upgrade.h"

namespace kq::sim {

namespace {

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}
uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

std::optional<uint32_t> frameImageOffset(const std::vector<uint8_t>& payload) {
    if (payload.size() < FrameOffsetBytes) return std::nullopt;
    return bigEndian32(payload.data());
}

bool BackupUpgrade::configure(const std::vector<uint8_t>& payload) {
    if (payload.size() != ConfigureRequestBytes) return false;
    const uint8_t* p = payload.data();
    BackupPlan plan{bigEndian32(p), bigEndian32(p + 4), bigEndian16(p + 8), bigEndian32(p + 12)};
    if (bigEndian16(p + 10) != plan.crc || plan.length == 0) return false;
    if (!flash_.isWritable(plan.upgradeOffset, plan.length) || !flash_.isWritable(plan.userOffset, plan.length))
        return false;
    flash_.erase(plan.upgradeOffset, plan.length);
    plan_ = plan;
    verified_ = false;
    return true;
}

bool BackupUpgrade::writeFrame(const std::vector<uint8_t>& payload) {
    const std::optional<uint32_t> offset = frameImageOffset(payload);
    if (!plan_ || !offset) return false;
    const uint64_t count = payload.size() - FrameOffsetBytes;
    if (uint64_t{*offset} + count > plan_->length) return false;
    verified_ = false;
    return flash_.program(plan_->upgradeOffset + *offset, payload.data() + FrameOffsetBytes,
                          static_cast<uint32_t>(count));
}

bool BackupUpgrade::verify() {
    if (!plan_) return false;
    verified_ = flash_.crc(plan_->upgradeOffset, plan_->length) == plan_->crc;
    return verified_;
}

bool BackupUpgrade::installOnReset() {
    const bool install = plan_ && verified_;
    if (install) {
        const auto& all = flash_.bytes();
        const auto from = all.begin() + (plan_->upgradeOffset - flash_.geometry().base);
        // Copied out first: the two areas may overlap.
        const std::vector<uint8_t> image(from, from + plan_->length);
        flash_.erase(plan_->userOffset, plan_->length);
        flash_.program(plan_->userOffset, image.data(), plan_->length);
    }
    forget();
    return install;
}

void BackupUpgrade::forget() {
    plan_.reset();
    verified_ = false;
}

}  // namespace kq::sim
