// Names of a serial port that stay the same when its adapter is plugged in
// again or the machine restarts. Linux: the links udev keeps in
// /dev/serial/by-path (the USB socket the adapter is in; this works for
// adapters without a serial number, such as CH340) and /dev/serial/by-id (the
// adapter's ids and serial number). Windows: the COM name itself, which the
// system keeps for an adapter, and the device's location path (the socket)
// shown beside it. One file per system (stable_names_posix.cpp,
// stable_names_win32.cpp).
#pragma once

#include <string>

namespace kq {

struct StableNames {
    std::string byPath;        // Linux: /dev/serial/by-path/...; "" when none
    std::string byId;          // Linux: /dev/serial/by-id/...; "" when none
    std::string locationPath;  // Windows: "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)"; "" when none

    // The name to keep the port by, a link that opening resolves: by-path
    // (the socket, whatever adapter is in it), else by-id; "" when neither.
    const std::string& preferred() const { return byPath.empty() ? byId : byPath; }
    bool empty() const { return byPath.empty() && byId.empty() && locationPath.empty(); }
};

// The stable names of a device: on Linux a device path or a link to one, on
// Windows "COM3" or "\\.\COM3". Empty when it has none (a pseudo-terminal).
StableNames stableNamesOf(const std::string& device);

}  // namespace kq
