// The plan of one flash (and of its dry run, check): the settings of every
// run, the ports, the modules of a bus, the handshake's time-out and the
// record folder. Plain values: a front end fills it from its own input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "upgrade/upgrade_settings.h"

namespace kq::production {

struct FlashPlan {
    UpgradeSettings settings;             // portNumber stays 0: the ports are resolved by the port jobs
    std::vector<std::string> portTexts;   // "COMn" or device paths, in the order given; one run per port
    // Modules flashed one after another on every port (remote upgrade with
    // backup); empty: the one module of settings.moduleAddress.
    std::vector<std::string> moduleAddresses;
    int handshakeTimeoutMs = 0;  // 0: the handshake repeats until a stop
    std::string logDir;          // "" = no record files
};

// n for "COMn", "comn" or "COM n" with n in 1..32; 0 for a text of another
// form (a device path); -1 for a COM number outside 1..32.
int comPortNumber(std::string_view text);

}  // namespace kq::production
