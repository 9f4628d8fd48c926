#include "e2e/fault_matrix.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "e2e/serial_recording_host.h"
#include "e2e/sim_process.h"
#include "image/firmware_image.h"
#include "link/serial_port.h"
#include "support/temp_hex_file.h"
#include "unit/merge_test_files.h"

namespace kq::testing {

const std::vector<std::string> FileRead = {Time, "获取文件开始", "获取文件成功", "共1个扇区"};
const std::vector<std::string> Handshake = {Time, "对接开始", "对接成功"};
const std::vector<std::string> FlagAndReset = {Time, "写入升级标志", "写入升级标志成功", "复位模块", "等待2秒"};
const std::vector<std::string> Erase = {"擦除开始", "擦除成功"};
const std::vector<std::string> Write = {"写入开始", "写入成功"};
const std::vector<std::string> WriteAgain = {"写入开始", "! 重新写入", "写入成功"};
const std::vector<std::string> CheckAndJump = {"检测开始", "检测成功", "程序跳转", Time, "升级成功"};
const std::vector<std::string> Configure = {"配置开始", "配置成功"};
const std::vector<std::string> VerifyAndReset = {"校验开始", "校验成功", "程序复位", "升级成功"};
const std::vector<std::string> Stopped = {Time, "停止启动", "暂停返回"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> pieces) {
    std::vector<std::string> all;
    for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

namespace {

constexpr auto LinkGoneTimeout = std::chrono::seconds(3);  // a module unplugged at start drops its link by then

std::vector<std::string> simArguments(const Cell& cell) {
    // The local path meets the bootloader; the remote paths the user program.
    std::vector<std::string> args = {"--family", "251", "--address", MatrixModuleAddress, "--mode",
                                     cell.path == Path::Local ? "boot" : "app"};
    args.insert(args.end(), cell.simArgs.begin(), cell.simArgs.end());
    return args;
}

bool unpluggedAtStart(const Cell& cell) {
    const auto& a = cell.simArgs;
    for (size_t i = 0; i + 1 < a.size(); ++i)
        if (a[i] == "--hangup-after" && a[i + 1] == "0") return true;
    return false;
}

UpgradeSettings settingsFor(const Cell& cell, int port, const std::string& hexPath) {
    UpgradeSettings s;
    s.portNumber = port;
    s.chipFamily = Kq581x;
    s.bootloadType = cell.path == Path::Local      ? LocalUpgrade
                     : cell.path == Path::NoBackup ? RemoteWithoutBackup
                                                   : RemoteWithBackup;
    s.hexPath = hexPath;
    s.userOffsetHex = "1000";
    s.upgradeOffsetHex = "8000";
    s.upgradeAreaKiB = MatrixUpgradeAreaKiB;
    s.moduleAddress = MatrixModuleAddress;
    s.frameDataLength = MatrixFrameIndex;
    return s;
}

// The record in the cells' notation: log text without its line end, red
// text behind "! ", time stamps as "@time".
std::vector<std::string> logLines(const std::vector<std::string>& calls) {
    std::vector<std::string> lines;
    for (const std::string& call : calls) {
        if (call == "timestamp") {
            lines.push_back(Time);
            continue;
        }
        const bool red = call.starts_with("red:");
        if (!red && !call.starts_with("log:")) continue;
        std::string text = call.substr(call.find(':') + 1);
        if (text.ends_with("\r\n")) text.resize(text.size() - 2);
        lines.push_back(red ? "! " + text : text);
    }
    return lines;
}

int lastPicture(const std::vector<std::string>& calls) {
    int picture = -1;
    for (const std::string& call : calls)
        if (call.starts_with("picture:")) picture = std::stoi(call.substr(8));
    return picture;
}

int expectedPicture(RunEnding ending) {
    switch (ending) {
        case RunEnding::Success: return PictureTick;
        case RunEnding::FailedWithCross: return PictureCross;
        default: return PictureBlank;
    }
}

}  // namespace

void waitUntilUnplugged(const std::string& link) {
    const auto deadline = std::chrono::steady_clock::now() + LinkGoneTimeout;
    std::error_code ignored;
    while (std::filesystem::exists(std::filesystem::symlink_status(link, ignored)) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

CellOutcome runCell(const Cell& cell) {
    CellOutcome outcome;
    TempFolder folder;
    SimProcess sim(folder.path(), simArguments(cell));
    EXPECT_TRUE(sim.ready()) << sim.error();
    if (!sim.ready()) return outcome;
    if (unpluggedAtStart(cell)) waitUntilUnplugged(sim.portName());

    test::TempHexFile hexFile;
    const std::vector<uint8_t> program = test::programBytes(MatrixProgramBytes);
    outcome.image = program;
    outcome.image.resize((program.size() + SectorSize - 1) / SectorSize * SectorSize, 0xFF);

    // By the module's own link, never by /dev/pts/N: a module unplugged at
    // the start frees its pseudo-terminal, and the next one another test
    // starts may get the same number.
    const int port = portForDevice(sim.portName());
    SerialRecordingHost host;
    test::RecordingHost& record = host.record();
    record.controls = settingsFor(cell, port, hexFile.write(MatrixUserOffset, program));
    SerialCommandSet commands;
    FirmwareImage image;
    UpgradeRun run(host, commands, image);
    record.attach(run);
    if (cell.stopAfterLog != nullptr) record.stopAfterLog(std::string(cell.stopAfterLog) + "\r\n");
    if (cell.stopAtPump > 0) record.stopAtPump(cell.stopAtPump);

    outcome.result = run.runUpgrade();
    outcome.portClosed = isClosed(static_cast<int16_t>(port)) == 1;
    // A run left open would hold the slot for the next cell in this process.
    if (!outcome.portClosed) closePort(port);

    EXPECT_TRUE(sim.stop()) << "the simulated module did not end cleanly";
    outcome.lines = logLines(record.calls);
    outcome.picture = lastPicture(record.calls);
    outcome.opens = int(record.callsStartingWith("open:").size());
    outcome.closes = int(record.callsStartingWith("close:").size());
    outcome.requests = sim.requests();
    const std::vector<uint8_t> dump = sim.flashDump();
    if (dump.size() >= MatrixUserOffset + outcome.image.size()) {
        outcome.userArea.assign(dump.begin() + MatrixUserOffset,
                                dump.begin() + MatrixUserOffset + long(outcome.image.size()));
    }
    return outcome;
}

void checkCell(const Cell& cell) {
    const CellOutcome got = runCell(cell);
    if (::testing::Test::HasFatalFailure() || got.image.empty()) return;

    EXPECT_EQ(got.lines, cell.lines);
    EXPECT_EQ(runEndingName(got.result.ending), std::string(runEndingName(cell.ending)));
    EXPECT_EQ(int(got.result.step), int(cell.step)) << "the step the run ended at";
    EXPECT_EQ(got.picture, expectedPicture(cell.ending)) << "status picture";
    EXPECT_TRUE(got.portClosed) << "the port is still open after the run";
    // Every ending closes the port it opened (a file failure opens none).
    if (got.opens > 0) {
        EXPECT_GE(got.closes, 1);
    }
    for (const auto& [name, count] : cell.requests) {
        EXPECT_EQ(countNamed(got.requests, name), count) << name;
    }
    if (cell.installed == Installed::Image) {
        EXPECT_EQ(got.userArea, got.image) << "the image is not in the module";
    }
    if (cell.installed == Installed::NotImage) {
        EXPECT_NE(got.userArea, got.image) << "the image was installed";
    }
}

}  // namespace kq::testing
