#include "e2e/wine_com_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "e2e/tool_under_test.h"

namespace kq::testing {
namespace {

constexpr int FirstComNumber = 1;
constexpr int LastComNumber = 32;

// Nothing there, or a link whose target is gone (kqsim replaces those).
bool isFree(const std::string& path) {
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    return S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

}  // namespace

WineComLink::WineComLink() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!underWine() || prefix == nullptr) return;
    const std::string folder = std::string(prefix) + "/dosdevices/";
    lockFd_ = ::open((std::string(prefix) + "/kq-com-links.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ >= 0) ::flock(lockFd_, LOCK_EX);
    for (int n = FirstComNumber; n <= LastComNumber; ++n) {
        const std::string path = folder + "com" + std::to_string(n);
        if (!isFree(path)) continue;
        path_ = path;
        portName_ = "COM" + std::to_string(n);
        return;
    }
}

WineComLink::~WineComLink() {
    if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

}  // namespace kq::testing
