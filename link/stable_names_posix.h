// The Linux side of the stable names, with the root of the udev links
// (/dev/serial) as a parameter so that tests can give a tree of their own.
#pragma once

#include <string>
#include <vector>

#include "link/stable_names.h"

namespace kq {

inline constexpr const char* DevSerialRoot = "/dev/serial";

// A device with its stable names.
struct SerialDeviceNames {
    std::string device;  // the device the links resolve to (/dev/ttyUSB0)
    StableNames names;
};

// Every device that a link in <root>/by-path or <root>/by-id resolves to, in
// the order of the device names, each with the first of its links in each
// folder (in name order); links that lead nowhere are left out.
std::vector<SerialDeviceNames> serialDevicesWithStableNames(const std::string& root);

// The stable names under root of the device with this resolved name.
StableNames stableNamesIn(const std::string& canonicalDevice, const std::string& root);

}  // namespace kq
