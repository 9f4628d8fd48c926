// One end-to-end session: a temporary folder, a simulated module in it, and
// flashwright-cli runs against that module. Plus the sample programs and the
// run's output as a transcript of lines without its time stamps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "e2e/process_runner.h"
#include "e2e/sim_process.h"
#include "unit/merge_test_files.h"

namespace kq::testing {

// A sample HEX file with the flasher's and the module's defaults for its chip.
struct Sample {
    std::string hexPath;
    std::string chip;         // --chip of the flasher and --family of kqsim: "251" or "arm"
    int chipFamily;           // 0 KQ581X, 1 KQ58XX
    int sectors;              // sectors the file fills
    uint32_t userOffset;      // default user-program offset (also its index in the flash dump)
    uint32_t upgradeOffset;   // default upgrade-program offset, remote with backup
    int upgradeAreaKiB;       // default upgrade area, remote with backup
    uint32_t flashBase;       // flash address of dump byte 0
    uint32_t flashBytes;      // size of the module's flash
    uint32_t bootBytes;       // the module's protected bootloader area
};
const Sample& sample251();
const Sample& sampleArm();

class FlasherSession {
public:
    // Starts kqsim with these arguments in a fresh folder (on ports/COMn beside
    // the binaries when defaultLink).
    explicit FlasherSession(const std::vector<std::string>& simArgs, bool defaultLink = false);

    bool ready() const { return sim_->ready(); }
    std::string error() const { return sim_->error(); }
    SimProcess& sim() { return *sim_; }
    const TempFolder& folder() const { return folder_; }

    // flashwright-cli flash --port <the module's port> args...
    ProcessResult flash(const std::vector<std::string>& args, ProcessOptions options = {},
                        const SignalOnOutput& trigger = {}) const;

private:
    TempFolder folder_;
    std::unique_ptr<SimProcess> sim_;
};

// flashwright-cli with any arguments (under Wine, the Windows program).
ProcessResult runFlasher(const std::vector<std::string>& args, const ProcessOptions& options = {},
                         const SignalOnOutput& trigger = {});

// The output lines without their line ends; a time stamp line reads TimeLine.
inline const std::string TimeLine = "@time";
std::vector<std::string> transcript(const std::string& out);

// Joins pieces of an expected transcript.
std::vector<std::string> lines(std::initializer_list<std::vector<std::string>> pieces);

// The run's start up to the opened port: a time stamp, the file read, the sector count.
std::vector<std::string> fileRead(int sectors);

// A flash content that is neither erased nor all zero, of size bytes.
std::vector<uint8_t> patternFlash(uint32_t size);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace kq::testing
