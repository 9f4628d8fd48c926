// The POSIX serial backend: termios devices, file descriptors as handles.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include "link/device_links_posix.h"
#include "link/line_mode_posix.h"
#include "link/open_problem_posix.h"
#include "link/serial_backend.h"
#include "platform/real_path_posix.h"
#include "platform/tool_folder.h"

namespace kq {
namespace {

// Serial device families searched in /dev, in slot order.
constexpr const char* DeviceFamilies[] = {"ttyUSB", "ttyACM", "ttyS", "ttyAMA", "rfcomm"};
constexpr const char* PinnedLinkPrefix = "COM";

int fdOf(SerialBackend::Handle handle) { return static_cast<int>(handle); }

std::string resolvedPath(const std::string& path) {
    std::string real = realPathOf(path);
    return real.empty() ? path : real;
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;  // a pinned link counts even while its device is away
}

// Devices of one family ("ttyUSB3", ...) in numeric order.
std::vector<std::string> familyDevices(const char* family) {
    std::vector<std::pair<long, std::string>> found;
    DIR* dir = ::opendir("/dev");
    if (!dir) return {};
    const std::string prefix(family);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name(entry->d_name);
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        found.emplace_back(std::stol(digits), "/dev/" + name);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& entry : found) names.push_back(std::move(entry.second));
    return names;
}

// USB adapters otherwise hold short input for up to 16 ms before passing it on.
void askLowLatency(int fd) {
#ifdef __linux__
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);  // refusal is harmless
    }
#else
    (void)fd;
#endif
}

int ioctlRetrying(int fd, unsigned long request, int* argument) {
    int result;
    do result = ::ioctl(fd, request, argument);
    while (result < 0 && errno == EINTR);
    return result;
}

class PosixSerialBackend final : public SerialBackend {
public:
    std::array<std::string, MaxPorts + 1> portDeviceNames() override {
        std::array<std::string, MaxPorts + 1> names{};
        // A link COMn in a ports folder pins slot n; the first folder that has one wins.
        std::set<std::string> pinned;
        for (const std::string& folder : portLinkFolders()) {
            for (int port = 1; port <= MaxPorts; ++port) {
                const std::string link = folder + PinnedLinkPrefix + std::to_string(port);
                if (!names[port].empty() || !pathExists(link)) continue;
                names[port] = link;
                pinned.insert(resolvedPath(link));
            }
        }
        int port = 1;
        for (const char* family : DeviceFamilies) {
            for (const std::string& device : familyDevices(family)) {
                if (pinned.count(resolvedPath(device))) continue;
                while (port <= MaxPorts && !names[port].empty()) ++port;
                if (port > MaxPorts) return names;
                names[port] = device;
            }
        }
        return names;
    }

    std::string canonicalDevice(const std::string& device) override { return resolvedPath(device); }

    Handle open(const std::string& device, OpenProblem& problem) override {
        int fd;
        do fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            problem = openProblemOf(errno, device);
            return NoHandle;
        }
        // Exclusive use: flock holds against everyone (root included), TIOCEXCL
        // also against programs that do not lock. A file, /dev/null or a FIFO
        // opens too, but has no terminal settings.
        termios mode{};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcgetattr(fd, &mode) != 0) {
            const int error = errno;
            ::close(fd);
            problem = openProblemOf(error, device);
            return NoHandle;
        }
        ::ioctl(fd, TIOCEXCL);
        ::cfmakeraw(&mode);
        setReadsDistinct(mode);
        ::tcsetattr(fd, TCSANOW, &mode);
        askLowLatency(fd);
        return fd;
    }

    PortState probe(const std::string& device) override {
        int fd;
        do fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            if (errno == EBUSY) return PortState::Busy;  // TIOCEXCL of another program
            if (errno == EACCES || errno == EPERM) return PortState::NoPermission;
            return PortState::Absent;
        }
        termios mode{};
        PortState state = PortState::Free;
        if (::tcgetattr(fd, &mode) != 0) {
            state = PortState::Absent;  // not a terminal, or no hardware behind it
        } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            state = errno == EWOULDBLOCK ? PortState::Busy : PortState::Absent;
        }
        ::close(fd);  // the flock goes with it
        return state;
    }

    std::vector<std::string> stableNames(const std::string& device) override {
        return linksToDevice(resolvedPath(device), StableNameFolders);
    }

    void close(Handle handle) override {
        ::ioctl(fdOf(handle), TIOCNXCL);  // the lock goes with the descriptor; exclusivity with the device
        ::close(fdOf(handle));
    }

    void configure(Handle handle, const LineSettings& settings) override {
        const int fd = fdOf(handle);
        termios mode{};
        if (::tcgetattr(fd, &mode) != 0) return;
        applyLineSettings(mode, settings);
        ::tcsetattr(fd, TCSANOW, &mode);
        int lines = TIOCM_DTR | TIOCM_RTS;
        ioctlRetrying(fd, TIOCMBIS, &lines);  // a device without modem lines refuses; fine
    }

    // One read() tells the cases apart (see setReadsDistinct): an empty queue
    // gives EAGAIN, a hung-up line end of file, a pseudo-terminal whose other
    // side closed EIO.
    int read(Handle handle, uint8_t* buffer, int n) override {
        for (;;) {
            const ssize_t got = ::read(fdOf(handle), buffer, static_cast<size_t>(n));
            if (got > 0) return static_cast<int>(got);
            if (got == 0) return -1;
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
            return -1;
        }
    }

    bool write(Handle handle, const uint8_t* bytes, int n) override {
        const int fd = fdOf(handle);
        int done = 0;
        while (done < n) {
            const ssize_t put = ::write(fd, bytes + done, static_cast<size_t>(n - done));
            if (put > 0) {
                done += static_cast<int>(put);
                continue;
            }
            if (put < 0 && errno == EINTR) continue;
            if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
            // The driver queue is full: wait until it takes more (no time-out, as a
            // blocking write has none), but give up on a failed device.
            pollfd watch{fd, POLLOUT, 0};
            if (::poll(&watch, 1, -1) < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (watch.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
        }
        int result;
        do result = ::tcdrain(fd);
        while (result < 0 && errno == EINTR);
        return result == 0;
    }

    void purge(Handle handle, int kind) override {
        const int queue = kind == PurgeInput ? TCIFLUSH : kind == PurgeOutput ? TCOFLUSH : TCIOFLUSH;
        ::tcflush(fdOf(handle), queue);
    }

    bool setRts(Handle handle, bool raised) override {
        int lines = TIOCM_RTS;
        if (ioctlRetrying(fdOf(handle), raised ? TIOCMBIS : TIOCMBIC, &lines) == 0) return true;
        return errno == ENOTTY || errno == EINVAL;  // no modem lines (a pseudo-terminal)
    }

    // A POSIX line keeps no sticky error state that blocks further I/O.
    void clearErrors(Handle) override {}

    void waitReadable(Handle handle, int us) override {
        pollfd watch{fdOf(handle), POLLIN, 0};
        const int wait = std::max(us, 0);
        const timespec limit{wait / 1000000, static_cast<long>(wait % 1000000) * 1000};
        ::ppoll(&watch, 1, &limit, nullptr);  // EINTR counts as a short wait
    }

    uint32_t tickUs() override {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t us = static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
        return static_cast<uint32_t>(us);
    }
};

}  // namespace

SerialBackend& platformSerialBackend() {
    static PosixSerialBackend backend;
    return backend;
}

}  // namespace kq
