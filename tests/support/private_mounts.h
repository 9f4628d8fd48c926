// Small tmpfs folders for tests of writes that must fail: a folder that is
// read-only even for root (a mode of 0555 stops nobody running as root), and
// a full disk. The mounts are made in a mount namespace of this test process
// alone: nobody else sees them and they vanish with the process.
//
// As root only the mount namespace is new. Otherwise a user namespace is
// entered as well, which maps this user to root inside it for the rest of the
// process (ctest runs every test in a process of its own).
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kq::testing {

namespace detail {

inline bool writeProcFile(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

inline std::string errnoText(std::string_view what) { return std::string(what) + ": " + std::strerror(errno); }

// "" once this process has a mount namespace of its own, else the reason why not.
inline std::string enterPrivateMountNamespace() {
    if (::unshare(CLONE_NEWNS) != 0) {
        const std::string asIs = errnoText("unshare(CLONE_NEWNS)");
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return asIs + "; " + errnoText("unshare(CLONE_NEWUSER | CLONE_NEWNS)");
        if (!writeProcFile("/proc/self/setgroups", "deny") ||
            !writeProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !writeProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return "could not map the user into the new user namespace";
    }
    // Mounts made from here on must not reach the namespace we came from.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return errnoText("making the mounts private");
    return {};
}

}  // namespace detail

// "" when this process can mount scratch folders, else why it cannot (for a
// GTEST_SKIP message). Tried once per process.
inline const std::string& privateMountsUnavailable() {
    static const std::string reason = detail::enterPrivateMountNamespace();
    return reason;
}

// A tmpfs of a given size on a fresh temporary folder, unmounted and removed
// with the object.
class ScratchMount {
public:
    explicit ScratchMount(std::size_t bytes) {
        if (!privateMountsUnavailable().empty()) {
            error_ = privateMountsUnavailable();
            return;
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "kqmount-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            error_ = detail::errnoText("mkdtemp");
            return;
        }
        folder_ = pattern;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("kqtest", folder_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            error_ = detail::errnoText("mounting a tmpfs");
            return;
        }
        mounted_ = true;
    }
    ~ScratchMount() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
        if (!folder_.empty()) ::rmdir(folder_.c_str());
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool ok() const { return mounted_; }
    const std::string& error() const { return error_; }
    // The folder with a trailing '/'.
    std::string path() const { return folder_ + "/"; }
    std::string file(std::string_view name) const { return path() + std::string(name); }

    // Remounts the folder read-only; what it holds stays readable.
    bool makeReadOnly() {
        return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    // Fills every free block with a file of the given name; true once a write
    // has been refused for want of space.
    bool fill(std::string_view fillerName = "filler") {
        const int fd = ::open(file(fillerName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        const std::string chunk(4096, 'f');
        bool full = false;
        for (;;) {
            const ssize_t n = ::write(fd, chunk.data(), chunk.size());
            if (n > 0) continue;
            full = n < 0 && errno == ENOSPC;
            if (n < 0 && errno == EINTR) continue;
            break;
        }
        ::close(fd);
        return full;
    }

private:
    std::string folder_;
    std::string error_;
    bool mounted_ = false;
};

}  // namespace kq::testing
