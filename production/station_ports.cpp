#include "production/station_ports.h"

#include "link/serial_port.h"
#include "link/stable_names.h"
#include "production/flash_plan.h"
#include "production/outcome.h"

namespace kq::production {

StationPorts resolveStationPorts(const Recipe& recipe) {
    StationPorts result;
    initPortNames();
    for (const std::string& text : recipe.portTexts) {
        StationPortSetup port;
        port.portText = text;
        port.stableName = text;
        port.slot = comPortNumber(text);
        if (port.slot < 0) {
            result.status = ExitUsage;
            result.error = recipe.path + ": port: " + text + ": ports run from COM1 to COM32";
            return result;
        }
        if (port.slot == 0) port.slot = portForDevice(text);
        if (port.slot == 0) {
            result.status = ExitPortFailed;
            result.error = "no free port number for " + text + ": all of COM1..COM32 are taken";
            return result;
        }
        const StableNames names = stableNamesOf(portDeviceName(port.slot));
        if (!names.preferred().empty()) {
            // Asked by its link, the slot keeps the link as its name.
            if (portForDevice(names.preferred()) == port.slot) port.stableName = names.preferred();
        } else if (!names.locationPath.empty()) {
            port.stableName = text + " (" + names.locationPath + ")";
        }
        for (const StationPortSetup& other : result.ports) {
            if (other.slot == port.slot) {
                result.status = ExitUsage;
                result.error = recipe.path + ": port: " + other.portText + " and " + text +
                               " are the same port (COM" + std::to_string(port.slot) + ")";
                return result;
            }
        }
        result.ports.push_back(std::move(port));
    }
    return result;
}

}  // namespace kq::production
