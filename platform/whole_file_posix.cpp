#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/unique_fd_posix.h"

namespace kq {
namespace {

// The file a write to path really lands in: the target of a symbolic link.
std::string resolvedTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

// Creates a fresh temporary file beside target; the kernel applies the umask.
UniqueFd createTemporaryBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    // Short and independent of the target's name, which may already be as long as a name can be.
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + ".kq-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return UniqueFd(fd);
        if (errno != EEXIST) break;
    }
    return UniqueFd();
}

// Reads the regular file at path. Past maxBytes it stops: with wholeOnly the
// result is TooLarge, otherwise the bytes read so far are the result.
WholeFile readFile(const std::string& path, uint64_t maxBytes, bool wholeOnly) {
    WholeFile result;
    // Non-blocking, so that a FIFO without a writer does not hang the open.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return result;
    if (wholeOnly && static_cast<uint64_t>(st.st_size) > maxBytes) {
        result.status = WholeFile::TooLarge;
        return result;
    }
    std::string bytes;
    // Room for the whole file at once, so that it is not copied as it grows.
    bytes.reserve(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(st.st_size), maxBytes)));
    char buffer[65536];
    while (wholeOnly || bytes.size() < maxBytes) {
        const uint64_t wanted = wholeOnly ? sizeof buffer : std::min<uint64_t>(sizeof buffer, maxBytes - bytes.size());
        const ssize_t n = ::read(fd.get(), buffer, static_cast<size_t>(wanted));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            result.status = WholeFile::ReadError;
            return result;
        }
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > maxBytes) {  // grew while being read
            result.status = WholeFile::TooLarge;
            return result;
        }
    }
    result.status = WholeFile::Read;
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace

WholeFile readWholeFile(const std::string& path, uint64_t maxBytes) { return readFile(path, maxBytes, true); }

WholeFile readFileStart(const std::string& path, uint64_t maxBytes) { return readFile(path, maxBytes, false); }

namespace {

// Puts a new regular file at path, filled by fill(fd, replacedFd). With
// readOld, replacedFd reads the file being replaced (-1 when there is none).
template <typename Fill>
bool replaceAtomically(const std::string& path, bool readOld, Fill fill) {
    if (path.empty()) return false;
    const std::string target = resolvedTarget(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    // A rename would put a plain file in place of a device, pipe or folder.
    if (replacing && !S_ISREG(old.st_mode)) return false;
    UniqueFd oldFd(replacing && readOld ? ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1);
    if (replacing && readOld && !oldFd.valid()) return false;
    std::string tempPath;
    UniqueFd fd = createTemporaryBeside(target, tempPath);
    if (!fd.valid()) return false;

    bool ok = !replacing || ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    ok = ok && fill(fd.get(), oldFd.get()) && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

// Copies what follows offset in the file from to the end of to.
bool copyTailFrom(int from, uint64_t offset, int to) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, static_cast<off_t>(offset));
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!writeAllTo(to, std::string_view(buffer, static_cast<size_t>(n)))) return false;
        offset += static_cast<uint64_t>(n);
    }
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes) {
    return replaceAtomically(path, false, [&](int fd, int) { return writeAllTo(fd, bytes); });
}

bool overwriteFromStart(const std::string& path, std::string_view bytes) {
    return replaceAtomically(path, true, [&](int fd, int oldFd) {
        if (!writeAllTo(fd, bytes)) return false;
        return oldFd < 0 || copyTailFrom(oldFd, bytes.size(), fd);
    });
}

}  // namespace kq
