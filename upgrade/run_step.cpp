#include "upgrade/run_step.h"

namespace kq {

std::string_view runStepName(RunStep step) {
    switch (step) {
    case RunStep::None: return "done";
    case RunStep::File: return "file";
    case RunStep::Port: return "port";
    case RunStep::UpgradeFlag: return "upgrade_flag";
    case RunStep::Handshake: return "handshake";
    case RunStep::Erase: return "erase";
    case RunStep::Write: return "write";
    case RunStep::Check: return "check";
    case RunStep::CrcMismatch: return "crc_mismatch";
    case RunStep::ModuleAddress: return "module_address";
    case RunStep::Configure: return "configure";
    case RunStep::Verify: return "verify";
    }
    return "done";
}

}  // namespace kq
