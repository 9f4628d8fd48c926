#include "cli/progress.h"

#include <algorithm>

#include "image/firmware_image.h"

namespace kq::cli {

namespace {
constexpr int BarWidth = 20;  // characters between the brackets
}

std::string progressText(int sector, int count, int64_t bytesPerSecond) {
    const int done = std::clamp(sector, 0, std::max(count, 0));
    const int filled = count > 0 ? done * BarWidth / count : 0;
    std::string text = "[" + std::string(size_t(filled), '#') + std::string(size_t(BarWidth - filled), '.') + "]";
    // The sector being written, 1-based; all of them once done.
    text += " sector " + std::to_string(std::min(done + 1, count)) + "/" + std::to_string(count);
    if (bytesPerSecond >= 0) text += ", " + std::to_string(bytesPerSecond) + " B/s";
    return text;
}

void ProgressLine::update(int sector, int count, int64_t nowMs) {
    if (sector == 0 || count_ == 0) {
        startMs_ = nowMs;
        bytesPerSecond_ = -1;
    } else if (nowMs > startMs_) {
        bytesPerSecond_ = int64_t(sector) * SectorSize * 1000 / (nowMs - startMs_);
    }
    sector_ = sector;
    count_ = count;
}

std::string ProgressLine::text() const { return progressText(sector_, count_, bytesPerSecond_); }

}  // namespace kq::cli
