#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/unique_fd_posix.h"
#include "production/records_journal_file.h"

namespace kq::production {

namespace {

constexpr mode_t JournalMode = 0666;  // the umask takes off what the user does not want

std::string systemReason() { return std::strerror(errno); }

// Syncs the folder that holds path, so that a new file's name survives a power cut.
bool syncFolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

}  // namespace

JournalFileAppend appendToJournalFile(const std::string& path, std::string_view line) {
    JournalFileAppend result;
    struct stat before {};
    const bool existed = ::stat(path.c_str(), &before) == 0;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, JournalMode));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        result.reason = systemReason();
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.reason = "not a regular file";
        return result;
    }
    int locked;
    do locked = ::flock(fd.get(), LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0 || ::fstat(fd.get(), &st) != 0) {  // the size once the lock is ours
        result.reason = systemReason();
        return result;
    }
    std::string bytes;
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd.get(), &last, 1, st.st_size - 1) != 1) {
        result.reason = systemReason();
        return result;
    }
    if (last != '\n') bytes += '\n';  // closes a torn line
    bytes += line;
    result.offset = static_cast<uint64_t>(st.st_size) + (last != '\n' ? 1 : 0);
    if (!writeAllTo(fd.get(), bytes) || ::fsync(fd.get()) != 0 || (!existed && !syncFolderOf(path))) {
        result.reason = systemReason();
        return result;
    }
    result.ok = true;
    return result;  // the lock goes with the descriptor
}

}  // namespace kq::production
