#include "sim/port_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/unique_fd_posix.h"

namespace kq::sim {

namespace {

constexpr const char* LockFileName = ".kqsim.lock";

// Serialises link changes between simulators sharing one ports folder, so
// that one never removes a stale link that another has just replaced.
class FolderLock {
public:
    explicit FolderLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_.valid()) flock(fd_.get(), LOCK_EX);
    }
    ~FolderLock() {
        if (fd_.valid()) flock(fd_.get(), LOCK_UN);
    }

private:
    UniqueFd fd_;
};

bool isStaleLink(const std::string& path) {
    struct stat info{};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
    return stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

// symlink() fails if the path exists, so two simulators never share one name.
// 0 on success, else the errno of the failure.
int linkOrReplaceStale(const std::string& target, const std::string& path) {
    if (symlink(target.c_str(), path.c_str()) == 0) return 0;
    if (errno != EEXIST) return errno;
    if (!isStaleLink(path)) return EEXIST;
    if (unlink(path.c_str()) != 0 || symlink(target.c_str(), path.c_str()) != 0) return errno;
    return 0;
}

std::string linkTarget(const std::string& path) {
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace

bool PortLink::createNumbered(const std::string& portsFolder, const std::string& target, std::string& shownName,
                              std::string& error) {
    if (mkdir(portsFolder.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create " + portsFolder + ": " + std::strerror(errno);
        return false;
    }
    const std::string folder = portsFolder.ends_with('/') ? portsFolder : portsFolder + "/";
    const std::string lockPath = folder + LockFileName;
    FolderLock lock(lockPath);
    for (int n = FirstPortNumber; n <= LastPortNumber; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const std::string path = folder + name;
        const int failure = linkOrReplaceStale(target, path);
        if (failure == EEXIST) continue;  // taken by a live link or another file
        if (failure != 0) {
            error = "cannot link " + path + ": " + std::strerror(failure);
            return false;
        }
        path_ = path;
        lastPath_ = path;
        target_ = target;
        lockPath_ = lockPath;
        shownName = name;
        shownName_ = name;
        return true;
    }
    error = "no free port name COM1..COM32 in " + portsFolder;
    return false;
}

bool PortLink::createAt(const std::string& path, const std::string& target, std::string& error) {
    if (const int failure = linkOrReplaceStale(target, path); failure != 0) {
        error = "cannot link " + path + ": " + std::strerror(failure);
        return false;
    }
    path_ = path;
    lastPath_ = path;
    target_ = target;
    if (shownName_.empty()) shownName_ = path;
    return true;
}

bool PortLink::restore(const std::string& target, std::string& error) {
    if (lastPath_.empty()) {
        error = "no link to restore";
        return false;
    }
    if (lockPath_.empty()) return createAt(lastPath_, target, error);
    FolderLock lock(lockPath_);
    if (const int failure = linkOrReplaceStale(target, lastPath_); failure != 0) {
        error = "cannot link " + lastPath_ + " again: " + std::strerror(failure);
        return false;
    }
    path_ = lastPath_;
    target_ = target;
    return true;
}

void PortLink::remove() {
    if (path_.empty()) return;
    if (lockPath_.empty()) {
        if (linkTarget(path_) == target_) unlink(path_.c_str());
    } else {
        FolderLock lock(lockPath_);
        if (linkTarget(path_) == target_) unlink(path_.c_str());
    }
    path_.clear();
}

}  // namespace kq::sim
