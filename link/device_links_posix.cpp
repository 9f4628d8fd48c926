#include "link/device_links_posix.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>

#include "platform/real_path_posix.h"

namespace kq {

std::vector<std::string> linksToDevice(const std::string& canonicalDevice, const std::vector<std::string>& folders) {
    std::vector<std::string> found;
    for (const std::string& folder : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) continue;
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name(entry->d_name);
            if (name == "." || name == "..") continue;
            const std::string path = folder + "/" + name;
            if (realPathOf(path) == canonicalDevice) names.push_back(path);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        found.insert(found.end(), names.begin(), names.end());
    }
    return found;
}

}  // namespace kq
