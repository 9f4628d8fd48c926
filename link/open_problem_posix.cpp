#include "link/open_problem_posix.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kq {

namespace {

constexpr size_t GroupBufferBytes = 16384;  // room for one group entry with its members

bool isDigits(const char* text) {
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

std::string groupName(gid_t gid) {
    group entry{};
    group* found = nullptr;
    std::array<char, GroupBufferBytes> buffer{};
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return "";
    return found->gr_name;
}

std::string programName(const std::string& pidFolder) {
    std::string name;
    std::getline(std::ifstream(pidFolder + "/comm"), name);
    return name;
}

// The process that holds a flock on the file (its filesystem device and
// inode), as /proc/locks lists it: "1: FLOCK  ADVISORY  WRITE 1281 00:19:4 0 EOF"
// (major and minor in hex); 0 when none.
int flockHolder(const struct stat& file) {
    std::ifstream locks("/proc/locks");
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%lu", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long>(file.st_ino));
    std::string id, kind, mode, access, where;
    long pid = 0;
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        if (!(fields >> id >> kind) || kind != "FLOCK") continue;  // "->" marks a waiter
        if (fields >> mode >> access >> pid >> where && where == wanted && pid > 0) return static_cast<int>(pid);
    }
    return 0;
}

}  // namespace

int deviceHolder(const std::string& device, std::string& name) {
    name.clear();
    struct stat target {};
    if (::stat(device.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) return 0;
    // The flock's holder first: others may keep the device open without using it.
    if (const int holder = flockHolder(target); holder > 0 && holder != static_cast<int>(::getpid())) {
        name = programName("/proc/" + std::to_string(holder));
        return holder;
    }
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) return 0;
    const int self = static_cast<int>(::getpid());
    int holder = 0;
    while (holder == 0) {
        const dirent* process = ::readdir(processes);
        if (process == nullptr) break;
        if (!isDigits(process->d_name) || std::atoi(process->d_name) == self) continue;
        const std::string pidFolder = std::string("/proc/") + process->d_name;
        DIR* fds = ::opendir((pidFolder + "/fd").c_str());
        if (fds == nullptr) continue;  // gone, or not ours to see
        while (const dirent* fd = ::readdir(fds)) {
            if (!isDigits(fd->d_name)) continue;
            struct stat open {};
            const std::string link = pidFolder + "/fd/" + fd->d_name;
            if (::stat(link.c_str(), &open) == 0 && S_ISCHR(open.st_mode) && open.st_rdev == target.st_rdev) {
                holder = std::atoi(process->d_name);
                name = programName(pidFolder);
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(processes);
    return holder;
}

OpenProblem openProblemOf(int error, const std::string& device) {
    OpenProblem problem;
    struct stat info {};
    const bool exists = ::stat(device.c_str(), &info) == 0;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
        case EIO:  // a ttyS name without a UART behind it
            problem.failure = exists && !S_ISCHR(info.st_mode) ? OpenFailure::NotSerial : OpenFailure::NoDevice;
            return problem;
        case EISDIR:
        case ENOTTY:
        case EINVAL:
            problem.failure = OpenFailure::NotSerial;
            return problem;
        case EBUSY:          // TIOCEXCL of another program
        case EWOULDBLOCK:    // its flock
            problem.failure = OpenFailure::Busy;
            problem.holder = deviceHolder(device, problem.holderName);
            return problem;
        case EACCES:
        case EPERM:
            // A file we may not write is refused as well, but it is no port.
            if (exists && !S_ISCHR(info.st_mode)) {
                problem.failure = OpenFailure::NotSerial;
                return problem;
            }
            problem.failure = OpenFailure::NoPermission;
            if (exists) problem.group = groupName(info.st_gid);
            return problem;
        default:
            problem.failure = OpenFailure::Other;
            problem.systemReason = std::strerror(error);
            return problem;
    }
}

}  // namespace kq
