// How runs end when the line goes away, the user interrupts, or the port,
// the file or the options are wrong; and the port listing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/flasher_session.h"
#include "e2e/tool_under_test.h"
#include "support/dead_process.h"

namespace kq::testing {
namespace {

using namespace std::chrono_literals;

const Sample& sample = sample251();
const std::vector<std::string> StoppedHandshake =
    lines({fileRead(12), {TimeLine, "对接开始", TimeLine, "停止启动", "暂停返回"}});
const std::string NeverAnswered = "the module never answered";

// An unplugged adapter in the middle of the writes: the 5th sector's write
// and the erase before its second attempt both fail at once.
TEST(LineLost, HangUpDuringTheWritesEndsTheRunAtOnce) {
    FlasherSession session({"--family", sample.chip, "--hangup-after", "6"});
    ASSERT_TRUE(session.ready()) << session.error();
    const ProcessResult run = session.flash({"--chip", sample.chip, sample.hexPath}, {"", 20s});
    ASSERT_TRUE(session.sim().stop());

    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(transcript(run.out),
              lines({fileRead(12),
                     {TimeLine, "对接开始", "对接成功", "擦除开始", "擦除成功", "写入开始", "! 重新写入",
                      "! 第5扇区写入失败"}}));
    EXPECT_LT(run.wall, 5s);
    EXPECT_EQ(session.sim().requests().size(), 6u);
}

// The line goes while the handshake is unanswered: the attempts that follow
// fail at the port, pausing between them instead of spinning, and after a
// few the run ends as a lost port, without a handshake time-out.
TEST(LineLost, HangUpDuringTheHandshakeEndsTheRunAsALostPortWithoutSpinning) {
    FlasherSession session({"--family", sample.chip, "--silent", "handshake:all", "--hangup-after", "2"});
    ASSERT_TRUE(session.ready()) << session.error();
    const ProcessResult run = session.flash({"--chip", sample.chip, sample.hexPath}, {"", 20s});
    ASSERT_TRUE(session.sim().stop());

    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(transcript(run.out), lines({fileRead(12), {TimeLine, "对接开始", "! 通信口打不开"}}));
    EXPECT_LT(run.wall, 5s);
    EXPECT_LT(run.cpu * 4, run.wall) << "processor time " << run.cpu.count() << " ms";
    EXPECT_EQ(session.sim().requests().size(), 2u);
}

TEST(Interrupt, CtrlCDuringAnUnansweredHandshakeStopsTheRun) {
    FlasherSession session({"--family", sample.chip, "--silent", "handshake:all"});
    ASSERT_TRUE(session.ready()) << session.error();
    const ProcessResult run =
        session.flash({"--chip", sample.chip, sample.hexPath}, {"", 20s}, {"对接开始", SIGINT});
    ASSERT_TRUE(session.sim().stop());

    EXPECT_TRUE(run.signalSent);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(transcript(run.out), StoppedHandshake);
    EXPECT_NE(run.err.find(NeverAnswered), std::string::npos) << run.err;
    const std::vector<RequestRecord> requests = session.sim().requests();
    EXPECT_GE(requests.size(), 1u);
    EXPECT_EQ(countNamed(requests, "handshake"), static_cast<int>(requests.size()));
}

// Slow writes give the stop time to land between two sectors.
TEST(Interrupt, CtrlCDuringTheWritesStopsAfterTheCurrentSector) {
    FlasherSession session({"--family", sample.chip, "--delay", "write-sector:50"});
    ASSERT_TRUE(session.ready()) << session.error();
    const ProcessResult run =
        session.flash({"--chip", sample.chip, sample.hexPath}, {"", 20s}, {"写入开始", SIGINT});
    ASSERT_TRUE(session.sim().stop());

    EXPECT_TRUE(run.signalSent);
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(transcript(run.out),
              lines({fileRead(12), {TimeLine, "对接开始", "对接成功", "擦除开始", "擦除成功", "写入开始", TimeLine,
                                    "停止启动", "暂停返回"}}));
    EXPECT_EQ(run.err, "");
    const std::vector<RequestRecord> requests = session.sim().requests();
    EXPECT_GE(countNamed(requests, "write-sector"), 1);
    EXPECT_LT(countNamed(requests, "write-sector"), 12);
    EXPECT_EQ(countNamed(requests, "read-crc"), 0);
}

TEST(PortRefused, MissingDeviceExitsFour) {
    const TempFolder folder;
    const ProcessResult run = runFlasher({"flash", "--port", folder.file("no-such-device"), sample.hexPath});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(transcript(run.out), lines({fileRead(12), {"! 通信口打不开", "! 串口打开失败"}}));
    EXPECT_NE(run.err.find("could not be opened"), std::string::npos) << run.err;
}

// Refused before the port is opened: nothing reaches the module.
TEST(RefusedBeforeSending, HexFileOutsideTheWindowExitsThree) {
    const TempFolder files;
    writeBytes(files.file("boot-area.hex"), hexText({dataRecord(0x0800, 16)}));
    writeBytes(files.file("past-area.hex"), hexText({upperAddressRecord(0x0001), dataRecord(0x1000, 16)}));
    writeBytes(files.file("no-data.hex"), "\x7F" "ELF binary, not a HEX file\n");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"below the user offset", {"--chip", "251", files.file("boot-area.hex")}, ".hex 非升级文件!"},
        {"past the upgrade area", {"--chip", "arm", "--type", "backup", files.file("past-area.hex")},
         ".hex 非升级文件!"},
        {"missing file", {"--chip", "251", files.file("none.hex")}, ".hex 不存在!"},
        {"no data records", {"--chip", "251", files.file("no-data.hex")}, ".hex 非升级文件!"},
    };
    FlasherSession session({"--family", sample.chip});
    ASSERT_TRUE(session.ready()) << session.error();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProcessResult run = session.flash(row.args);
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(transcript(run.out), (std::vector<std::string>{TimeLine, "获取文件开始", "获取文件失败"}));
        EXPECT_NE(run.err.find("flashwright-cli: " + row.message + "\n"), std::string::npos) << run.err;
    }
    ASSERT_TRUE(session.sim().stop());
    EXPECT_TRUE(session.sim().requests().empty());
}

// Neither waits for a writer that never comes nor reads without end. (Under
// Wine they reach the Windows program as Unix files behind drive Z:, which it
// refuses in the system's words.)
TEST(RefusedBeforeSending, FifoAndEndlessDeviceEndWithinASecond) {
    const TempFolder files;
    ASSERT_EQ(::mkfifo(files.file("pipe.hex").c_str(), 0600), 0);
    for (const std::string& path : {files.file("pipe.hex"), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const ProcessResult run =
            runFlasher({"flash", "--port", files.file("no-such-device"), "--chip", "251", path}, {"", 10s});
        EXPECT_FALSE(run.timedOut);
        EXPECT_LT(run.wall, 1s);
        EXPECT_EQ(run.exitCode, 3);
        const std::string refused = "flashwright-cli: .hex 不存在!\nflashwright-cli: \"" + path + "\": ";
        if (underWine()) {
            EXPECT_TRUE(run.err.starts_with(refused)) << run.err;
        } else {
            EXPECT_EQ(run.err, refused + "not a regular file (a folder, FIFO or device)\n");
        }
    }
}

TEST(RefusedBeforeSending, InvalidModuleAddressExitsTwo) {
    FlasherSession session({"--family", sample.chip, "--mode", "app"});
    ASSERT_TRUE(session.ready()) << session.error();
    for (const std::string address : {"12AB56789012", "1234567890123", "A1A1A1A1A1A1"}) {
        SCOPED_TRACE(address);
        const ProcessResult run =
            session.flash({"--chip", sample.chip, "--type", "backup", "--address", address, sample.hexPath});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("--address " + address), std::string::npos) << run.err;
    }
    ASSERT_TRUE(session.sim().stop());
    EXPECT_TRUE(session.sim().requests().empty());
}

// A device held open by another program, as the serial channel itself holds one.
class HeldDevice {
public:
    explicit HeldDevice(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~HeldDevice() {
        if (fd_ >= 0) ::close(fd_);
    }
    HeldDevice(const HeldDevice&) = delete;
    HeldDevice& operator=(const HeldDevice&) = delete;
    bool held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

bool listsPort(const std::string& listing, const std::string& name) {
    return listing.starts_with(name + "  ") || listing.find("\n" + name + "  ") != std::string::npos;
}

// The ports/ folder beside the binaries: two modules link
// themselves there under their own COM numbers (under Wine, in the prefix's
// dosdevices/), and both are listed.
TEST(Ports, ListsEachModulesLink) {
    FlasherSession first({"--family", sample.chip}, true);
    FlasherSession second({"--family", sample.chip}, true);
    ASSERT_TRUE(first.ready()) << first.error();
    ASSERT_TRUE(second.ready()) << second.error();
    const std::string name = first.sim().flasherPort();
    ASSERT_TRUE(name.starts_with("COM")) << name;
    ASSERT_NE(name, second.sim().flasherPort());

    const ProcessResult listing = runFlasher({"ports"});
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_TRUE(listsPort(listing.out, second.sim().flasherPort())) << listing.out;
    // Its device: the link's path, or under Wine the port's device name.
    const std::string device = underWine() ? name + "  \\\\.\\" + name : "ports/" + name;
    EXPECT_NE(listing.out.find(device + "\n"), std::string::npos) << listing.out;

    // The listed number reaches its module.
    const ProcessResult flashed = first.flash({"--chip", sample.chip, sample.hexPath});
    EXPECT_EQ(flashed.exitCode, 0) << flashed.err;
    ASSERT_TRUE(first.sim().stop());
    EXPECT_EQ(first.sim().requests().size(), 16u);  // handshake, erase, 12 sectors, check, jump
}

// --json: one object per port and line, its stable names and adapter null
// for a module whose link is no USB adapter.
TEST(Ports, JsonGivesOneLinePerPort) {
    FlasherSession module({"--family", sample.chip}, true);
    ASSERT_TRUE(module.ready()) << module.error();
    const std::string name = module.sim().flasherPort();
    const ProcessResult listing = runFlasher({"ports", "--json"});
    ASSERT_TRUE(module.sim().stop());
    EXPECT_EQ(listing.exitCode, 0);
    const size_t at = listing.out.find("{\"port\":\"" + name + "\",");
    ASSERT_NE(at, std::string::npos) << listing.out;
    EXPECT_TRUE(at == 0 || listing.out[at - 1] == '\n');
    const std::string line = listing.out.substr(at, listing.out.find('\n', at) - at);
    EXPECT_NE(line.find("/ports/" + name + "\",\"description\":"), std::string::npos) << line;
    EXPECT_NE(line.find(",\"state\":\"free\",\"lock_owner\":null,\"by_path\":null,\"by_id\":null,"), std::string::npos)
        << line;
    EXPECT_TRUE(line.ends_with(",\"driver\":null,\"latency_timer_ms\":null}")) << line;
}

void writeLockFile(const std::string& path, int pid) {
    const std::string text = std::to_string(pid);
    writeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The lock file name of a pseudo-terminal: /dev/pts/N gives LCK..pts_N.
std::string lockFileOf(const std::string& lockFolder, const std::string& device) {
    return lockFolder + "LCK.." + device.substr(std::string("/dev/").size()).replace(3, 1, "_");
}

// Three modules link themselves under their own COM numbers; another program
// holds one open, and a lock file names a live process for another.
TEST(Ports, MarksPortsHeldElsewhereBusy) {
    if (underWine()) {
        GTEST_SKIP() << "Wine does not enforce exclusive opening of a COM port, and lock files are a "
                        "convention of POSIX serial programs";
    }
    FlasherSession free({"--family", sample.chip}, true);
    FlasherSession taken({"--family", sample.chip}, true);
    FlasherSession locked({"--family", sample.chip}, true);
    ASSERT_TRUE(free.ready()) << free.error();
    ASSERT_TRUE(taken.ready()) << taken.error();
    ASSERT_TRUE(locked.ready()) << locked.error();
    const std::string freeName = free.sim().portName();
    const std::string takenName = taken.sim().portName();
    const std::string lockedName = locked.sim().portName();
    ASSERT_TRUE(freeName.starts_with("COM")) << freeName;
    ASSERT_NE(freeName, takenName);

    const HeldDevice holder(taken.sim().device());
    ASSERT_TRUE(holder.held());
    const TempFolder lockFolder;
    const std::string lockFile = lockFileOf(lockFolder.path(), locked.sim().device());
    writeLockFile(lockFile, static_cast<int>(::getpid()));
    ProcessOptions withLocks;
    withLocks.environment = {"KQ_LOCK_DIR=" + lockFolder.path()};

    const ProcessResult listing = runFlasher({"ports"}, withLocks);
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_TRUE(listsPort(listing.out, freeName)) << listing.out;
    EXPECT_NE(listing.out.find("ports/" + freeName + "\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("ports/" + takenName + "  busy\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("ports/" + lockedName + "  busy (process " + std::to_string(::getpid()) + " holds " +
                               lockFile + ")\n"),
              std::string::npos)
        << listing.out;

    // The listed number reaches its module; the held ones cannot be opened.
    const ProcessResult flashed = free.flash({"--chip", sample.chip, sample.hexPath}, withLocks);
    EXPECT_EQ(flashed.exitCode, 0) << flashed.err;
    const ProcessResult refused = taken.flash({"--chip", sample.chip, sample.hexPath}, withLocks);
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_EQ(transcript(refused.out), lines({fileRead(12), {"! 通信口打不开", "! 串口打开失败"}}));
    const ProcessResult lockedOut = locked.flash({"--chip", sample.chip, sample.hexPath}, withLocks);
    EXPECT_EQ(lockedOut.exitCode, 4);
    EXPECT_NE(lockedOut.err.find("is in use: process " + std::to_string(::getpid()) + " holds its lock file " + lockFile),
              std::string::npos)
        << lockedOut.err;

    // A lock whose process is gone is taken over, and removed after the run.
    writeLockFile(lockFile, deadProcessId());
    const ProcessResult takenOver = locked.flash({"--chip", sample.chip, sample.hexPath}, withLocks);
    EXPECT_EQ(takenOver.exitCode, 0) << takenOver.err;
    EXPECT_FALSE(std::filesystem::exists(lockFile));

    ASSERT_TRUE(free.sim().stop());
    ASSERT_TRUE(taken.sim().stop());
    ASSERT_TRUE(locked.sim().stop());
    EXPECT_EQ(free.sim().requests().size(), 16u);  // handshake, erase, 12 sectors, check, jump
    EXPECT_TRUE(taken.sim().requests().empty());
    EXPECT_EQ(locked.sim().requests().size(), 16u);  // the second run only
}

}  // namespace
}  // namespace kq::testing
