#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kq {
namespace {

OpenedFile failure(FileOpenError error, int code = 0) {
    return {nullptr, error, code == 0 ? std::string() : std::generic_category().message(code)};
}

OpenedFile failure(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return failure(FileOpenError::Missing, code);
    case EACCES:
    case EPERM:
        return failure(FileOpenError::PermissionDenied, code);
    case ENXIO:  // a socket, or a device without its driver
    case ENODEV:
        return failure(FileOpenError::NotRegularFile, code);
    default:
        return failure(FileOpenError::Other, code);
    }
}

}  // namespace

OpenedFile openRegularFileForReading(const std::string& path) {
    // Looked at before the open, so that no device is opened at all (opening
    // one can act on it); checked again on the open descriptor against a swap.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return failure(errno);
    if (!S_ISREG(info.st_mode)) return failure(FileOpenError::NotRegularFile);

    // O_NONBLOCK only keeps the open from waiting; reads of a regular file ignore it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failure(errno);
    const bool statted = ::fstat(fd, &info) == 0;
    const int statError = errno;
    if (!statted || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return statted ? failure(FileOpenError::NotRegularFile) : failure(statError);
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        const int code = errno;
        ::close(fd);
        return failure(code);
    }
    return {FileHandle(file), FileOpenError::None, ""};
}

bool seekFileTo(std::FILE* file, uint64_t offset) { return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

}  // namespace kq
