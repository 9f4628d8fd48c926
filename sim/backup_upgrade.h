// The module side of the remote upgrade with backup: the configure request
// names a backup area and the image's length and CRC, frames are written into
// that area, verify checks its CRC, and a reset after a good verify copies the
// backup into the user-program area.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/flash_model.h"

namespace kq::sim {

struct BackupPlan {
    uint32_t upgradeOffset = 0;  // flash address of the backup area
    uint32_t length = 0;         // image bytes
    uint16_t crc = 0;            // crc16 of the image
    uint32_t userOffset = 0;     // flash address the image is installed at
};

inline constexpr int ConfigureRequestBytes = 16;   // upgrade offset 4, length 4, crc 2, crc 2, user offset 4
inline constexpr int FrameOffsetBytes = 4;         // image offset in front of a frame's data

// The image offset at the front of a frame-write payload, if it is long enough.
std::optional<uint32_t> frameImageOffset(const std::vector<uint8_t>& payload);

class BackupUpgrade {
public:
    explicit BackupUpgrade(FlashModel& flash) : flash_(flash) {}

    // Each returns false (the error bit) and changes nothing when it refuses.
    // configure: payload malformed, the two CRCs differ, length 0, or either
    // area not writable; otherwise the backup area is erased.
    bool configure(const std::vector<uint8_t>& payload);
    // writeFrame: nothing configured, or the data reaches past the image length.
    bool writeFrame(const std::vector<uint8_t>& payload);
    // verify: nothing configured, or the backup area's CRC is not the configured one.
    bool verify();

    // At a reset: a verified backup is copied to the user area (erased first).
    // The configuration is gone afterwards, as RAM is after a reset.
    // True when the copy was made.
    bool installOnReset();
    // Drops the configuration without installing anything.
    void forget();

    const std::optional<BackupPlan>& plan() const { return plan_; }
    bool isVerified() const { return verified_; }

private:
    FlashModel& flash_;
    std::optional<BackupPlan> plan_;
    bool verified_ = false;
};

}  // namespace kq::sim
