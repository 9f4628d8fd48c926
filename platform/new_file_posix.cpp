#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/new_file.h"

namespace kq {

namespace {
constexpr mode_t NewFileMode = 0666;    // the umask takes off what the user does not want
constexpr mode_t NewFolderMode = 0777;

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

FileHandle createNewFile(const std::string& path, std::string& reason) {
    int fd;
    do fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NewFileMode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
    }
    return FileHandle(file);
}

bool makeFolders(const std::string& path, std::string& reason) {
    if (path.empty()) {
        reason = "no folder given";
        return false;
    }
    // Every prefix that ends before a '/', then the whole path.
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (!part.empty() && ::mkdir(part.c_str(), NewFolderMode) != 0 && errno != EEXIST) {
            reason = std::strerror(errno);
            return false;
        }
        if (at == std::string::npos) break;
    }
    if (isFolder(path)) return true;
    reason = "not a folder";
    return false;
}

bool pathTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace kq
