// One press of the upgrade button: read the HEX file into the image, open the
// port, then the local, remote-without-backup or remote-with-backup sequence,
// reporting every step through the host. Plus the stop button.
#pragma once

#include <string_view>
#include <utility>

#include "image/firmware_image.h"
#include "image/hex_image.h"
#include "link/bootloader_commands.h"
#include "upgrade/upgrade_host.h"

namespace kq {

enum class RunEnding {
    Success,               // green tick
    FailedWithCross,       // erase, write, check, CRC, configure, verify, module address
    FailedWithoutPicture,  // file, port, upgrade flag
    Stopped,               // "暂停返回"
    Ignored,               // pressed while a run was active: nothing done
};

// A short English name of an ending, for reports ("failed with cross").
const char* runEndingName(RunEnding ending);

struct RunResult {
    RunResult() = default;
    RunResult(RunEnding ending, RunStep step, HexLoadReport fileReport = {})
        : ending(ending), step(step), fileReport(std::move(fileReport)) {}

    RunEnding ending = RunEnding::Ignored;
    RunStep step = RunStep::None;  // the step at which the run ended
    HexLoadReport fileReport;      // the load's: why the file was refused (step File), or its warnings
};

inline constexpr int ResetWaitMs = 2000;       // ms after resetModule (remote without backup)
inline constexpr int RemoteResetGapMs = 100;   // ms between the two remoteReset commands
inline constexpr int LostPortAttempts = 3;     // handshakes failing at the port in a row that end a run

// The yellow line after the sector count for a file read to its end without an end record.
inline constexpr std::string_view NoEndRecordLine = "HEX文件没有结束记录(:00000001FF)，文件可能不完整\r\n";

// Captions the local path gives the upgrade button.
inline constexpr std::string_view CaptionHandshaking = "对接中";  // while the handshake repeats
inline constexpr std::string_view CaptionDownload = "下载";       // once the handshake ended

class UpgradeRun {
public:
    UpgradeRun(UpgradeHost& host, CommandSet& commands, FirmwareImage& image);

    // The upgrade button. Runs to the end of the run; ignored while one is active.
    RunResult runUpgrade();
    // The stop button: a time stamp, and when a run is active it ends at its next check.
    void stopUpgrade();

    bool upgradeRunning() const { return upgradeRunning_; }

private:
    class Sequence;

    UpgradeHost& host_;
    CommandSet& commands_;
    FirmwareImage& image_;
    bool upgradeRunning_ = false;
};

}  // namespace kq
