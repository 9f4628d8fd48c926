#include "link/stable_names_posix.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/real_path_posix.h"

namespace kq {

namespace {

constexpr size_t MostLinksPerFolder = 1024;  // entries read from one folder of links

// The links of a folder in name order, each with the device it resolves to.
std::vector<std::pair<std::string, std::string>> linksIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name(entry->d_name);
        if (name == "." || name == "..") continue;
        names.push_back(name);
        if (names.size() >= MostLinksPerFolder) break;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    std::vector<std::pair<std::string, std::string>> links;
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const std::string device = realPathOf(path);
        if (!device.empty()) links.emplace_back(path, device);
    }
    return links;
}

}  // namespace

std::vector<SerialDeviceNames> serialDevicesWithStableNames(const std::string& root) {
    std::map<std::string, StableNames> byDevice;
    for (const auto& [link, device] : linksIn(root + "/by-path")) {
        if (byDevice[device].byPath.empty()) byDevice[device].byPath = link;
    }
    for (const auto& [link, device] : linksIn(root + "/by-id")) {
        if (byDevice[device].byId.empty()) byDevice[device].byId = link;
    }
    std::vector<SerialDeviceNames> devices;
    for (auto& [device, names] : byDevice) devices.push_back({device, std::move(names)});
    return devices;
}

StableNames stableNamesIn(const std::string& canonicalDevice, const std::string& root) {
    for (SerialDeviceNames& entry : serialDevicesWithStableNames(root)) {
        if (entry.device == canonicalDevice) return std::move(entry.names);
    }
    return {};
}

StableNames stableNamesOf(const std::string& device) {
    const std::string real = realPathOf(device);
    return real.empty() ? StableNames{} : stableNamesIn(real, DevSerialRoot);
}

}  // namespace kq
