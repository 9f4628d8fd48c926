// The POSIX backend on a real pseudo-terminal: the test holds the master side
// and plays the module; the backend opens the slave side like a serial port.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "link/line_mode_posix.h"
#include "link/link_frame.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"

namespace kq {
namespace {

using Bytes = std::vector<uint8_t>;

class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (name) slave_ = name;
    }
    ~PseudoTerminal() { hangUp(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ready() const { return master_ >= 0 && !slave_.empty(); }
    const std::string& slave() const { return slave_; }

    void send(const Bytes& bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

    // Collects n bytes from the slave's output, waiting at most a second.
    Bytes receive(size_t n) {
        Bytes got;
        while (got.size() < n) {
            pollfd watch{master_, POLLIN, 0};
            if (::poll(&watch, 1, 1000) <= 0) break;
            uint8_t chunk[256];
            const ssize_t r = ::read(master_, chunk, std::min(sizeof chunk, n - got.size()));
            if (r <= 0) break;
            got.insert(got.end(), chunk, chunk + r);
        }
        return got;
    }

    void hangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slave_;
};

class PosixBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty.ready()) GTEST_SKIP() << "no pseudo-terminals here";
    }

    PseudoTerminal pty;
    SerialBackend& backend = platformSerialBackend();
};

TEST_F(PosixBackendTest, OpenIsExclusiveAndReleasedOnClose) {
    const SerialBackend::Handle first = backend.open(pty.slave());
    ASSERT_NE(first, SerialBackend::NoHandle);
    EXPECT_EQ(backend.open(pty.slave()), SerialBackend::NoHandle);
    backend.close(first);
    const SerialBackend::Handle again = backend.open(pty.slave());
    EXPECT_NE(again, SerialBackend::NoHandle);
    backend.close(again);
    EXPECT_EQ(backend.open("/dev/null"), SerialBackend::NoHandle);  // not a terminal
    EXPECT_EQ(backend.open("/nonexistent/tty"), SerialBackend::NoHandle);
}

// A refused open says why, from the open's own errno.
TEST_F(PosixBackendTest, ARefusedOpenNamesItsCause) {
    char file[] = "/tmp/kq-not-a-port-XXXXXX";
    const int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::pair<std::string, OpenFailure> rows[] = {
        {"/nonexistent/tty", OpenFailure::NoDevice}, {"/dev/null", OpenFailure::NotSerial},
        {"/tmp", OpenFailure::NotSerial},            {file, OpenFailure::NotSerial},
    };
    for (const auto& [device, failure] : rows) {
        OpenProblem problem;
        EXPECT_EQ(backend.open(device, problem), SerialBackend::NoHandle) << device;
        EXPECT_EQ(problem.failure, failure) << device;
    }
    ::unlink(file);
}

// Another process has the port: the refusal names it.
TEST_F(PosixBackendTest, ABusyPortNamesTheProcessThatHasItOpen) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const SerialBackend::Handle handle = backend.open(pty.slave());
        const char mark = handle != SerialBackend::NoHandle ? 'y' : 'n';
        (void)!::write(ready[1], &mark, 1);
        ::pause();
        ::_exit(0);
    }
    char mark = 0;
    ASSERT_EQ(::read(ready[0], &mark, 1), 1);
    OpenProblem problem;
    EXPECT_EQ(backend.open(pty.slave(), problem), SerialBackend::NoHandle);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(mark, 'y');
    EXPECT_EQ(problem.failure, OpenFailure::Busy);
    EXPECT_EQ(problem.holder, holder);
    EXPECT_FALSE(problem.holderName.empty());
}

// A user outside the device's group is told the group.
TEST_F(PosixBackendTest, ADeviceRefusedToTheUserNamesItsGroup) {
    struct stat device {};
    ASSERT_EQ(::stat(pty.slave().c_str(), &device), 0);
    if (::geteuid() != 0 || (device.st_mode & S_IRWXO) == S_IRWXO) GTEST_SKIP() << "needs root to become another user";
    const group* owner = ::getgrgid(device.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string expected = std::string("NoPermission ") + owner->gr_name;
    int answer[2];
    ASSERT_EQ(::pipe(answer), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string text = "dropped";
        if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0) {
            OpenProblem problem;
            backend.open(pty.slave(), problem);
            text = (problem.failure == OpenFailure::NoPermission ? "NoPermission " : "other ") + problem.group;
        }
        (void)!::write(answer[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(answer[1]);
    char text[128] = {};
    const ssize_t got = ::read(answer[0], text, sizeof text - 1);
    ::waitpid(child, nullptr, 0);
    ::close(answer[0]);
    EXPECT_GT(got, 0);
    EXPECT_EQ(std::string(text), expected);
}

TEST(LineMode, SettingsBecomeARawTermiosLine) {
    struct Row {
        const char* name;
        LineSettings settings;
        speed_t speed;
        tcflag_t parityBits;
    };
    const Row rows[] = {
        {"evenAt38400", {38400, 8, ParityEven, 0}, B38400, PARENB},
        {"oddAt115200", {115200, 8, ParityOdd, 0}, B115200, PARENB | PARODD},
        {"noneAt1200", {1200, 8, ParityNone, 0}, B1200, 0},
        {"rateOutsideTheListKeepsTheSpeed", {12345, 8, ParityNone, 0}, B4800, 0},
    };
    for (const Row& row : rows) {
        // Start from a cooked line with flow control and odd parity.
        termios mode{};
        mode.c_iflag = ICRNL | IXON | IXOFF | INPCK;
        mode.c_oflag = OPOST | ONLCR;
        mode.c_lflag = ICANON | ECHO | ISIG;
        mode.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS;
        mode.c_cc[VMIN] = 1;
        mode.c_cc[VTIME] = 5;
        ::cfsetospeed(&mode, B4800);
        ::cfsetispeed(&mode, B4800);
        applyLineSettings(mode, row.settings);
        EXPECT_EQ(::cfgetospeed(&mode), row.speed) << row.name;
        EXPECT_EQ(::cfgetispeed(&mode), row.speed) << row.name;
        EXPECT_EQ(mode.c_cflag & (PARENB | PARODD), row.parityBits) << row.name;
        EXPECT_EQ(mode.c_cflag & CSIZE, tcflag_t(CS8)) << row.name;
        EXPECT_EQ(mode.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(0)) << row.name;
        EXPECT_EQ(mode.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD)) << row.name;
        EXPECT_EQ(mode.c_iflag & (IXON | IXOFF | INPCK | ICRNL), tcflag_t(0)) << row.name;
        EXPECT_EQ(mode.c_oflag & OPOST, tcflag_t(0)) << row.name;
        EXPECT_EQ(mode.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0)) << row.name;
        EXPECT_EQ(mode.c_cc[VMIN], 1) << row.name;
        EXPECT_EQ(mode.c_cc[VTIME], 0) << row.name;
    }
}

TEST_F(PosixBackendTest, ConfigureReachesTheDevice) {
    const SerialBackend::Handle handle = backend.open(pty.slave());
    ASSERT_NE(handle, SerialBackend::NoHandle);
    // A pseudo-terminal keeps the speed and the flags, though not the parity.
    backend.configure(handle, {57600, 8, ParityEven, 0});
    termios mode{};
    ASSERT_EQ(::tcgetattr(static_cast<int>(handle), &mode), 0);
    EXPECT_EQ(::cfgetospeed(&mode), speed_t(B57600));
    EXPECT_EQ(mode.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(mode.c_lflag & (ICANON | ECHO), tcflag_t(0));
    backend.close(handle);
}

TEST_F(PosixBackendTest, BytesPassUnchangedBothWays) {
    const SerialBackend::Handle handle = backend.open(pty.slave());
    ASSERT_NE(handle, SerialBackend::NoHandle);
    backend.configure(handle, {115200, 8, ParityNone, 0});
    // Line ends, XON/XOFF, interrupt and end-of-file characters are data here.
    const Bytes raw = {0x68, 0x0A, 0x0D, 0x11, 0x13, 0x03, 0x04, 0x7F, 0x00, 0xFF, 0x16};
    EXPECT_TRUE(backend.write(handle, raw.data(), int(raw.size())));
    EXPECT_EQ(pty.receive(raw.size()), raw);

    Bytes got(raw.size() + 4);
    EXPECT_EQ(backend.read(handle, got.data(), int(got.size())), 0);  // a silent line is no failure
    pty.send(raw);
    backend.waitReadable(handle, 1000 * 1000);
    EXPECT_EQ(backend.read(handle, got.data(), int(got.size())), int(raw.size()));
    got.resize(raw.size());
    EXPECT_EQ(got, raw);

    EXPECT_TRUE(backend.setRts(handle, true));  // no modem lines on a pseudo-terminal: still fine
    EXPECT_TRUE(backend.setRts(handle, false));
    backend.close(handle);
}

TEST_F(PosixBackendTest, LargeBlocksAreWrittenWhole) {
    const SerialBackend::Handle handle = backend.open(pty.slave());
    ASSERT_NE(handle, SerialBackend::NoHandle);
    backend.configure(handle, {115200, 8, ParityNone, 0});
    Bytes block(3 * 4096);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13);
    // More than the pseudo-terminal holds: the write waits for the reader.
    Bytes got;
    std::thread reader([&] { got = pty.receive(block.size()); });
    EXPECT_TRUE(backend.write(handle, block.data(), int(block.size())));
    reader.join();
    EXPECT_EQ(got, block);
    backend.close(handle);
}

// ---- the channel on top of the backend ----------------------------------------------

class PosixChannelTest : public PosixBackendTest {
protected:
    void SetUp() override {
        PosixBackendTest::SetUp();
        if (IsSkipped()) return;
        port = portForDevice(pty.slave());
        if (port == 0) GTEST_SKIP() << "every slot names a device";
        ASSERT_EQ(openPort(port, 7, 8, ParityNone, 0), PortOpenResult::Opened);
    }
    void TearDown() override {
        if (port != 0) closePort(port);
    }
    int port = 0;
};

TEST_F(PosixChannelTest, HangUpIsAFailedReadNotASilentLine) {
    uint8_t buffer[64];
    EXPECT_EQ(readAvailable(int16_t(port), buffer, 64), 0);
    pty.hangUp();
    EXPECT_EQ(readAvailable(int16_t(port), buffer, 64), ReadFailed);
    int received = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readWithTimeout(port, buffer, 0, 64, 500, received), TimedReadResult::ReadFailed);
    EXPECT_EQ(received, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(drainInput(port), DrainResult::ReadFailed);
}

TEST_F(PosixChannelTest, WaitingUsesNoProcessor) {
    uint8_t buffer[64];
    int received = -1;
    timespec cpuBefore{}, cpuAfter{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuBefore);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readWithTimeout(port, buffer, 0, 64, 200, received), TimedReadResult::Finished);
    const auto wall = std::chrono::steady_clock::now() - start;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuAfter);
    EXPECT_EQ(received, 0);
    EXPECT_GE(wall, std::chrono::milliseconds(200));
    const double cpuMs = (cpuAfter.tv_sec - cpuBefore.tv_sec) * 1e3 + (cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 20.0);
}

}  // namespace
}  // namespace kq
