#include "upgrade/run_step.h"

namespace kq {

const char* runStepName(RunStep step) {
    switch (step) {
    case RunStep::None: return "none";
    case RunStep::File: return "file";
    case RunStep::Port: return "port";
    case RunStep::UpgradeFlag: return "upgrade flag";
    case RunStep::Handshake: return "handshake";
    case RunStep::Erase: return "erase";
    case RunStep::Write: return "write";
    case RunStep::Check: return "check";
    case RunStep::CrcMismatch: return "CRC mismatch";
    case RunStep::ModuleAddress: return "module address";
    case RunStep::Configure: return "configure";
    case RunStep::Verify: return "verify";
    }
    return "?";
}

}  // namespace kq
