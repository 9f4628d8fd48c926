// The steps of an upgrade run, as a host hears of them and as a run ends at one.
#pragma once

#include <string_view>

namespace kq {

enum class RunStep {
    None,           // no step: a run that succeeded or was ignored ends here
    File,           // reading the HEX file into the image
    Port,           // opening the chosen port
    UpgradeFlag,    // upgrade flag and reset (remote without backup)
    Handshake,      // the repeated handshake (local)
    Erase,
    Write,
    Check,          // the read-back CRC of the flash
    CrcMismatch,    // an ending within Check: the module's CRC differs from the image's
    ModuleAddress,  // the module address test (remote with backup)
    Configure,
    Verify,
};

// The word for a step in reports, records and JSON: file, port,
// upgrade_flag, handshake, erase, write, check, crc_mismatch,
// module_address, configure, verify; done for None (a run that succeeded).
std::string_view runStepName(RunStep step);

}  // namespace kq
