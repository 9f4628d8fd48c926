// A station's ports by what stays the same when an adapter is plugged in
// again: a device that has a stable name (Linux: /dev/serial/by-path, else
// by-id) is kept and opened by it, so that the port is found again wherever
// a replugged adapter's device now is; on Windows the COM name is kept, with
// the device's location path shown beside it.
#pragma once

#include <string>
#include <vector>

#include "production/recipe.h"
#include "production/station.h"

namespace kq::production {

struct StationPorts {
    std::vector<StationPortSetup> ports;
    std::string error;  // "" when every port has its slot
    int status = 0;     // the exit status of the error
};

// Names the slots of the recipe's ports (on the thread that starts the
// station, before it starts).
StationPorts resolveStationPorts(const Recipe& recipe);

}  // namespace kq::production
