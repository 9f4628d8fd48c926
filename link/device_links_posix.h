// Finding the symbolic links that name a device, such as the stable names
// udev keeps in /dev/serial/by-id and /dev/serial/by-path.
#pragma once

#include <string>
#include <vector>

namespace kq {

// The folders of stable serial device names, in the order they are shown.
inline const std::vector<std::string> StableNameFolders = {"/dev/serial/by-id", "/dev/serial/by-path"};

// Every entry of the folders (in name order, folder by folder) that resolves
// to canonicalDevice; missing folders give nothing.
std::vector<std::string> linksToDevice(const std::string& canonicalDevice, const std::vector<std::string>& folders);

}  // namespace kq
