// The sector progress line drawn on a terminal: a bar, the sector and the
// transfer rate, redrawn in place.
#pragma once

#include <cstdint>
#include <string>

namespace kq::cli {

// "[#####...............] sector 3/12, 2048 B/s"; the rate is left out while
// it is unknown (bytesPerSecond < 0).
std::string progressText(int sector, int count, int64_t bytesPerSecond);

// Keeps the state of the line: what it shows and when the writes began.
class ProgressLine {
public:
    // sector: 0-based sector about to be written (count when all are written).
    void update(int sector, int count, int64_t nowMs);
    // Whether anything is to be shown, and its text.
    bool active() const { return count_ > 0; }
    std::string text() const;

private:
    int sector_ = 0;
    int count_ = 0;
    int64_t startMs_ = 0;
    int64_t bytesPerSecond_ = -1;
};

}  // namespace kq::cli
