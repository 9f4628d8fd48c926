// The upgrade and stop buttons.
#include "upgrade/upgrade_run.h"

#include "upgrade/run_sequence.h"

namespace kq {

UpgradeRun::UpgradeRun(UpgradeHost& host, CommandSet& commands, FirmwareImage& image)
    : host_(host), commands_(commands), image_(image) {}

RunResult UpgradeRun::runUpgrade() {
    // A press dispatched from inside a run's message pump would start a
    // second run on the same port and image: ignore it.
    if (upgradeRunning_) return {RunEnding::Ignored, RunStep::None};
    Sequence sequence(*this, host_.readControls());
    return sequence.run();
}

void UpgradeRun::stopUpgrade() {
    host_.readControls();
    host_.appendTimestamp();
    if (upgradeRunning_) {
        upgradeRunning_ = false;
        host_.appendLog("停止启动\r\n");
    }
    host_.writeControls();
}

const char* runEndingName(RunEnding ending) {
    switch (ending) {
    case RunEnding::Success: return "success";
    case RunEnding::FailedWithCross: return "failed with cross";
    case RunEnding::FailedWithoutPicture: return "failed without picture";
    case RunEnding::Stopped: return "stopped";
    case RunEnding::Ignored: return "ignored";
    }
    return "?";
}

}  // namespace kq
