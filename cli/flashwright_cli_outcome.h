// What a finished run means for the command line: its exit status, and a
// one-line hint naming the likely causes of a failure.
#pragma once

#include <string>
#include <string_view>

#include "upgrade/upgrade_run.h"

namespace kq::cli {

enum ExitStatus : int {
    ExitSuccess = 0,
    ExitModuleFailed = 1,  // upgrade flag, erase, write, check, CRC, configure, verify
    ExitUsage = 2,         // bad options, invalid module address
    ExitHexRefused = 3,
    ExitPortFailed = 4,    // the port could not be opened, or there is no such port
    ExitStopped = 5,
};

struct RunOutcome {
    int exitStatus = ExitSuccess;
    std::string hint;  // "" when there is nothing to add
};

// What the outcome is told about the run besides its result.
struct RunContext {
    bool moduleAnswered = false;   // the module gave any valid reply during the run
    bool portFailed = false;       // the open port failed a read, write or RTS change (adapter gone)
    std::string_view portName;     // how the user named the port
    std::string_view portDevice;   // the device behind it ("" if none)
    std::string_view hexPath;      // the HEX file given
};

RunOutcome describeOutcome(const RunResult& result, const RunContext& context);

}  // namespace kq::cli
