// The faults the soak draws from: what the simulated module is told to do,
// on which upgrade path, and how the run must end. All of them end quickly
// (no long reply time-outs, no endless handshake).
#pragma once

#include <string>
#include <vector>

#include "upgrade/upgrade_run.h"

namespace kq::soak {

struct SoakFault {
    const char* name;
    int bootloadType;               // LocalUpgrade, RemoteWithoutBackup or RemoteWithBackup
    std::vector<std::string> args;  // kqsim fault options
    RunEnding ending;
    RunStep step;
    bool installs = false;          // the image must be in the module's user area afterwards
    const char* stopAfter = nullptr;  // press stop after this log line
};

const std::vector<SoakFault>& soakFaults();

}  // namespace kq::soak
