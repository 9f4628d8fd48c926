// Lock files in the lock folder, created exclusively and removed on release.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/port_lock.h"
#include "link/serial_port.h"
#include "platform/unique_fd_posix.h"

namespace kq {

namespace {

constexpr const char* DefaultLockFolder = "/var/lock";  // Debian links it to /run/lock
constexpr const char* LockFolderVariable = "KQ_LOCK_DIR";
constexpr const char* LockPrefix = "LCK..";
constexpr const char* DeviceFolder = "/dev/";
constexpr int LockFileMode = 0644;
constexpr size_t LockTextBytes = 64;     // more than "%10d\n" needs, bytes read from a lock file
constexpr size_t LockPathBytes = 4096;   // longest lock path kept for the signal-safe release

// The lock files this process holds, for releasePortLocksNow: fixed buffers,
// claimed through an atomic flag, so a signal handler can walk them.
struct HeldLock {
    std::atomic<bool> claimed{false};  // the entry belongs to a PortLock
    std::atomic<bool> ready{false};    // ... and path is complete
    char path[LockPathBytes] = {};
};
std::array<HeldLock, MaxPorts> heldLocks;

int claimSlot(const std::string& path) {
    if (path.size() >= LockPathBytes) return -1;
    for (size_t i = 0; i < heldLocks.size(); ++i) {
        bool expected = false;
        if (heldLocks[i].claimed.compare_exchange_strong(expected, true)) {
            std::memcpy(heldLocks[i].path, path.c_str(), path.size() + 1);
            heldLocks[i].ready = true;
            return static_cast<int>(i);
        }
    }
    return -1;
}

// A process that has ended but has not been reaped by its parent yet still
// answers kill(pid, 0); its lock is as stale as a dead process's.
bool processEnded(int pid) {
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    char stat[256];
    const size_t n = std::fread(stat, 1, sizeof stat - 1, file);
    std::fclose(file);
    stat[n] = '\0';
    const char* nameEnd = std::strrchr(stat, ')');  // the state follows the name in parentheses
    return nameEnd != nullptr && nameEnd[1] == ' ' && nameEnd[2] == 'Z';
}

bool processLives(int pid) { return (::kill(pid, 0) == 0 || errno == EPERM) && !processEnded(pid); }

// The process id written in a lock file: 0 when there is no file,
// LockOwnerUnknown when it holds no number, LockOwnerUnreadable when it
// cannot be read.
int readLockPid(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? 0 : LockOwnerUnreadable;
    char text[LockTextBytes + 1] = {};
    ssize_t got;
    do got = ::read(fd, text, LockTextBytes);
    while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got < 0) return LockOwnerUnreadable;
    if (got == 0) return LockOwnerUnknown;
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    if (end == text || pid <= 0 || pid > INT32_MAX) return LockOwnerUnknown;
    while (*end == ' ' || *end == '\n' || *end == '\r' || *end == '\t') ++end;
    return *end == '\0' ? static_cast<int>(pid) : LockOwnerUnknown;
}

// Who holds the lock file at path, as portLockOwner tells it.
int liveOwner(const std::string& path) {
    const int pid = readLockPid(path);
    if (pid <= 0) return pid;
    if (pid == ::getpid() || !processLives(pid)) return 0;
    return pid;
}

}  // namespace

std::string portLockFolder() {
    const char* folder = std::getenv(LockFolderVariable);
    return folder != nullptr && folder[0] != '\0' ? folder : DefaultLockFolder;
}

std::string portLockPath(const std::string& canonicalDevice) {
    std::string name = canonicalDevice;
    if (name.starts_with(DeviceFolder)) {
        name.erase(0, std::strlen(DeviceFolder));
    } else if (const size_t slash = name.rfind('/'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    if (name.empty()) return "";
    std::string folder = portLockFolder();
    if (!folder.ends_with('/')) folder += '/';
    return folder + LockPrefix + name;
}

int portLockOwner(const std::string& canonicalDevice) {
    const std::string path = portLockPath(canonicalDevice);
    return path.empty() ? 0 : liveOwner(path);
}

PortLockResult PortLock::take(const std::string& canonicalDevice) {
    release();
    owner_ = 0;
    path_ = portLockPath(canonicalDevice);
    if (path_.empty()) return PortLockResult::NotLocked;
    // Twice at most: a stale lock is removed once, then created afresh.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, LockFileMode);
        if (fd >= 0) {
            char text[LockTextBytes];
            const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
            const bool written = writeAllTo(fd, std::string_view(text, static_cast<size_t>(n)));
            ::close(fd);
            if (!written) {
                ::unlink(path_.c_str());
                return PortLockResult::NotLocked;
            }
            slot_ = claimSlot(path_);
            if (slot_ < 0) {  // cannot be released from a signal handler: do without
                ::unlink(path_.c_str());
                return PortLockResult::NotLocked;
            }
            return PortLockResult::Taken;
        }
        if (errno != EEXIST) return PortLockResult::NotLocked;  // no folder, or not ours to write
        owner_ = liveOwner(path_);
        if (owner_ != 0) return PortLockResult::HeldByOther;
        ::unlink(path_.c_str());  // stale: its process is gone
    }
    owner_ = liveOwner(path_);
    return owner_ != 0 ? PortLockResult::HeldByOther : PortLockResult::NotLocked;
}

void PortLock::release() {
    if (slot_ < 0) return;
    ::unlink(path_.c_str());
    HeldLock& entry = heldLocks[static_cast<size_t>(slot_)];
    entry.ready = false;
    entry.claimed = false;
    slot_ = -1;
}

void releasePortLocksNow() {
    for (HeldLock& lock : heldLocks) {
        if (lock.ready.load()) ::unlink(lock.path);
    }
}

}  // namespace kq
