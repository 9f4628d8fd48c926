#include "bench/soak_probe.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>

namespace kq::soak {

int openDescriptors() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(dir);
    return count - 1;
}

int64_t residentKiB() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr) return -1;
    long size = 0, resident = 0;
    const int got = std::fscanf(file, "%ld %ld", &size, &resident);
    std::fclose(file);
    if (got != 2) return -1;
    return int64_t(resident) * ::sysconf(_SC_PAGESIZE) / 1024;
}

}  // namespace kq::soak
