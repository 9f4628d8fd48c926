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

std::string folderRefusal(const std::string& path) {
    if (path.empty()) return "no folder given";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? "" : "not a folder";
    if (errno != ENOENT) return std::strerror(errno);
    // Missing: the nearest folder above must take the new ones.
    std::string above = path;
    for (;;) {
        while (above.size() > 1 && above.back() == '/') above.pop_back();
        const size_t slash = above.rfind('/');
        above = slash == std::string::npos ? "." : slash == 0 ? "/" : above.substr(0, slash);
        if (::stat(above.c_str(), &st) == 0) break;
        if (errno != ENOENT) return std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
    return ::access(above.c_str(), W_OK | X_OK) == 0 ? "" : std::strerror(errno);
}

bool pathTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace kq
