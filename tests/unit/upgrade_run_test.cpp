// The upgrade run on the local and remote-without-backup paths, driven
// through a recording host and scripted commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/link_frame.h"
#include "support/run_fixture.h"
#include "support/utf8_path.h"

namespace kq::test {
namespace {

using Calls = std::vector<std::string>;

class UpgradeRunTest : public RunFixture {};

TEST_F(UpgradeRunTest, LocalRunOfTwoSectorsGivesTheWholeTranscript) {
    useProgram(600);
    commands.script("handshake", {NoReply});

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(result.ending, RunEnding::Success);
    EXPECT_EQ(result.step, RunStep::None);
    EXPECT_FALSE(run.upgradeRunning());
    const Calls expected = {
        "readControls", "timestamp", "picture:255", "label:",
        "step:file", "log:获取文件开始\r\n", "pump",
        "log:获取文件成功\r\n", "note:" + host.controls.hexPath,
        "log:共2个扇区\r\n", "pump",
        "step:port", "open:3", "timestamp",
        "step:handshake", "log:对接开始\r\n", "pump", "caption:对接中",
        "cmd:handshake", "unanswered:1", "pump", "cmd:handshake",
        "caption:下载", "log:对接成功\r\n", "pump",
        "step:erase", "log:擦除开始\r\n", "pump", "cmd:eraseAll", "log:擦除成功\r\n", "pump",
        "step:write", "log:写入开始\r\n", "pump",
        "label:第1扇区", "progress:0/2", "pump", "cmd:writeSector", "pump",
        "label:第2扇区", "progress:1/2", "pump", "cmd:writeSector", "pump",
        "progress:2/2", "log:写入成功\r\n", "pump",
        "step:check", "log:检测开始\r\n", "pump", "cmd:readFlashCrc", "log:检测成功\r\n", "pump", "pump",
        "cmd:jumpToProgram", "log:程序跳转\r\n", "picture:0", "timestamp", "log:升级成功\r\n",
        "label:", "close:3", "writeControls",
    };
    EXPECT_EQ(host.calls, expected);

    // The sectors carry the program, the last one padded with 0xFF, and the
    // module's CRC of them matched.
    const std::vector<uint8_t> padded = paddedProgram();
    const auto writes = commands.callsOf("writeSector");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].data, std::vector<uint8_t>(padded.begin(), padded.begin() + 512));
    EXPECT_EQ(writes[1].data, std::vector<uint8_t>(padded.begin() + 512, padded.end()));
    for (const CommandCall& call : commands.calls()) EXPECT_EQ(call.port, TestPort) << call.name;
}

TEST_F(UpgradeRunTest, RemoteWithoutBackupResetsAndWaitsInsteadOfTheHandshake) {
    useProgram(100);
    host.controls.bootloadType = RemoteWithoutBackup;

    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);

    const Calls expected = {
        "open:3", "timestamp",
        "step:upgrade_flag", "log:写入升级标志\r\n", "cmd:writeUpgradeFlag",
        "log:写入升级标志成功\r\n", "log:复位模块\r\n", "pump", "cmd:resetModule",
        "log:等待2秒\r\n", "pump", "wait:2000",
        "step:erase", "log:擦除开始\r\n",
    };
    const Calls from = callsFrom("open:3");
    EXPECT_EQ(Calls(from.begin(), from.begin() + long(expected.size())), expected);
    EXPECT_EQ(commands.count("handshake"), 0);
    EXPECT_TRUE(host.callsStartingWith("caption:").empty());
}

// ---- the endings ---------------------------------------------------------

struct EndingCase {
    const char* name = "";
    int bootloadType = LocalUpgrade;
    SelectedPortResult openResult = SelectedPortResult::Opened;
    bool missingFile = false;
    std::vector<std::pair<const char*, std::vector<CommandResult>>> scripts{};
    std::optional<uint16_t> crcAnswer{};
    RunEnding ending = RunEnding::Success;
    RunStep step = RunStep::None;
    std::string lastLog{};             // the last logged line of the run
    std::vector<std::string> names{};  // the commands sent, in order
    int closes = 1;                  // closeSelectedPort calls
};

std::ostream& operator<<(std::ostream& out, const EndingCase& c) { return out << c.name; }

class RunEndings : public RunFixture, public ::testing::WithParamInterface<EndingCase> {};

// One sector: handshake, erase, write, check, jump.
const std::vector<std::string> LocalSuccess = {"handshake", "eraseAll", "writeSector", "readFlashCrc",
                                               "jumpToProgram"};

INSTANTIATE_TEST_SUITE_P(
    AllPaths, RunEndings,
    ::testing::Values(
        EndingCase{.name = "Success", .ending = RunEnding::Success, .step = RunStep::None,
                   .lastLog = "log:升级成功\r\n", .names = LocalSuccess},
        EndingCase{.name = "FileMissing", .missingFile = true, .ending = RunEnding::FailedWithoutPicture,
                   .step = RunStep::File, .lastLog = "log:获取文件失败\r\n", .closes = 0},
        EndingCase{.name = "NoPortChosen", .openResult = SelectedPortResult::NoneChosen,
                   .ending = RunEnding::FailedWithoutPicture, .step = RunStep::Port,
                   .lastLog = "red:串口打开失败\r\n"},
        EndingCase{.name = "PortWillNotOpen", .openResult = SelectedPortResult::CannotOpen,
                   .ending = RunEnding::FailedWithoutPicture, .step = RunStep::Port,
                   .lastLog = "red:串口打开失败\r\n"},
        EndingCase{.name = "UpgradeFlagFails", .bootloadType = RemoteWithoutBackup,
                   .scripts = {{"writeUpgradeFlag", {NoReply}}}, .ending = RunEnding::FailedWithoutPicture,
                   .step = RunStep::UpgradeFlag, .lastLog = "red:写入失败\r\n", .names = {"writeUpgradeFlag"}},
        EndingCase{.name = "EraseFailsOnce", .scripts = {{"eraseAll", {NoReply}}}, .ending = RunEnding::Success,
                   .step = RunStep::None, .lastLog = "log:升级成功\r\n",
                   .names = {"handshake", "eraseAll", "eraseAll", "writeSector", "readFlashCrc", "jumpToProgram"}},
        EndingCase{.name = "EraseFailsTwice", .scripts = {{"eraseAll", {NoReply, SendFailed}}},
                   .ending = RunEnding::FailedWithCross, .step = RunStep::Erase, .lastLog = "red:擦除失败\r\n",
                   .names = {"handshake", "eraseAll", "eraseAll", "eraseAll"}},
        EndingCase{.name = "WriteRetriedAfterSectorErase", .scripts = {{"writeSector", {NoReply}}},
                   .ending = RunEnding::Success, .step = RunStep::None, .lastLog = "log:升级成功\r\n",
                   .names = {"handshake", "eraseAll", "writeSector", "eraseSector", "writeSector", "readFlashCrc",
                             "jumpToProgram"}},
        EndingCase{.name = "SectorEraseFails",
                   .scripts = {{"writeSector", {NoReply}}, {"eraseSector", {NoReply}}},
                   .ending = RunEnding::FailedWithCross, .step = RunStep::Write, .lastLog = "red:第1扇区写入失败\r\n",
                   .names = {"handshake", "eraseAll", "writeSector", "eraseSector"}},
        EndingCase{.name = "SecondWriteFails", .scripts = {{"writeSector", {NoReply, NoReply}}},
                   .ending = RunEnding::FailedWithCross, .step = RunStep::Write, .lastLog = "red:写入失败\r\n",
                   .names = {"handshake", "eraseAll", "writeSector", "eraseSector", "writeSector"}},
        EndingCase{.name = "CrcReadFailsOnce", .scripts = {{"readFlashCrc", {BadReplyLength}}},
                   .ending = RunEnding::Success, .step = RunStep::None, .lastLog = "log:升级成功\r\n",
                   .names = {"handshake", "eraseAll", "writeSector", "readFlashCrc", "readFlashCrc",
                             "jumpToProgram"}},
        EndingCase{.name = "CrcReadFailsTwice", .scripts = {{"readFlashCrc", {NoReply, NoReply}}},
                   .ending = RunEnding::FailedWithCross, .step = RunStep::Check, .lastLog = "red:检测失败\r\n",
                   .names = {"handshake", "eraseAll", "writeSector", "readFlashCrc", "readFlashCrc"}},
        EndingCase{.name = "CrcMismatch", .crcAnswer = 0x1234, .ending = RunEnding::FailedWithCross,
                   .step = RunStep::CrcMismatch, .lastLog = "red:CRC不一致，失败\r\n",
                   .names = {"handshake", "eraseAll", "writeSector", "readFlashCrc"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RunEndings, EndsWithItsLineItsPictureAndThePortClosed) {
    const EndingCase& c = GetParam();
    useProgram(200);
    if (c.missingFile) host.controls.hexPath = hexFile.missingPath();
    host.controls.bootloadType = c.bootloadType;
    host.openResult = c.openResult;
    for (const auto& [command, results] : c.scripts) commands.script(command, results);
    commands.crcAnswer = c.crcAnswer;

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(result.ending, c.ending);
    EXPECT_EQ(result.step, c.step);
    EXPECT_EQ(result.fileReport.problem, c.missingFile ? HexLoadProblem::CannotOpen : HexLoadProblem::None);
    EXPECT_FALSE(run.upgradeRunning());
    EXPECT_EQ(commands.names(), c.names);
    EXPECT_EQ(host.count("close:3"), c.closes);

    const auto logs = host.callsStartingWith("log:");
    const auto reds = host.callsStartingWith("red:");
    const std::string last = c.lastLog.starts_with("red:") ? reds.back() : logs.back();
    EXPECT_EQ(last, c.lastLog);

    // Pictures: blank at the start, then a tick, a cross or nothing.
    Calls pictures = {"picture:255"};
    if (c.ending == RunEnding::Success) pictures.push_back("picture:0");
    if (c.ending == RunEnding::FailedWithCross) pictures.push_back("picture:1");
    EXPECT_EQ(host.callsStartingWith("picture:"), pictures);

    // Only a success clears the sector label again and writes the controls.
    const bool success = c.ending == RunEnding::Success;
    EXPECT_EQ(host.count("writeControls"), success ? 1 : 0);
    EXPECT_EQ(host.count("label:"), success ? 2 : 1);
    if (!success && result.step == RunStep::Write) {
        EXPECT_EQ(host.callsStartingWith("label:").back(), "label:第1扇区");
    }
}

TEST_F(UpgradeRunTest, FileFailureShowsTheLoadersMessageAndOpensNoPort) {
    host.controls.hexPath = "";
    EXPECT_EQ(run.runUpgrade().step, RunStep::File);
    EXPECT_EQ(host.callsStartingWith("message:"), Calls{"message:.hex 不存在!"});
    EXPECT_TRUE(host.callsStartingWith("open:").empty());
    EXPECT_TRUE(host.callsStartingWith("note:").empty());
}

TEST_F(UpgradeRunTest, TheThirdEraseGoesOutWithTheRunFlagAlreadyCleared) {
    useProgram(10);
    commands.setDefault("eraseAll", NoReply);
    std::vector<bool> runningAtErase;
    commands.onCall = [&](const CommandCall& call) {
        if (call.name == "eraseAll") runningAtErase.push_back(run.upgradeRunning());
    };
    run.runUpgrade();
    EXPECT_EQ(runningAtErase, (std::vector<bool>{true, true, false}));
}

TEST_F(UpgradeRunTest, ASectorRetryErasesAndRewritesTheSameSectorWithPumpsBetween) {
    useProgram(1024);
    commands.script("writeSector", {Ok, NoReply});
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    const Calls from = callsFrom("log:写入开始\r\n");
    EXPECT_EQ(Calls(from.begin() + 10, from.begin() + 19),
              (Calls{"cmd:writeSector", "red:重新写入\r\n", "pump", "cmd:eraseSector", "pump", "cmd:writeSector",
                     "pump", "progress:2/2", "log:写入成功\r\n"}));
    const auto writes = commands.callsOf("writeSector");
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(commands.callsOf("eraseSector").at(0).address, writes[1].address);
    EXPECT_EQ(writes[2].address, writes[1].address);
    EXPECT_EQ(writes[2].data, writes[1].data);
}

// ---- addresses and lengths -------------------------------------------------

struct AddressCase {
    const char* name = "";
    int chipFamily;
    const char* userOffsetHex;
    uint32_t userOffset;
    int byteCount;
    std::vector<uint32_t> sectorAddresses;
    uint32_t checkAddress;
    uint32_t checkLength;
};

std::ostream& operator<<(std::ostream& out, const AddressCase& c) { return out << c.name; }

class RunAddresses : public RunFixture, public ::testing::WithParamInterface<AddressCase> {};

INSTANTIATE_TEST_SUITE_P(
    Families, RunAddresses,
    ::testing::Values(AddressCase{"Kq581xAddsTheFlashBase", Kq581x, "1000", 0x1000, 1024, {0xFF1000, 0xFF1200},
                                  0xFF1000, 1024},
                      AddressCase{"Kq58xxSendsOffsetsAsTheyAre", Kq58xx, "1000", 0x1000, 1024, {0x1000, 0x1200},
                                  0x1000, 1024},
                      AddressCase{"Kq58xxAtItsOwnOffset", Kq58xx, "4000", 0x4000, 600, {0x4000, 0x4200}, 0x4000,
                                  1024},
                      AddressCase{"ExactlyOneSector", Kq58xx, "4000", 0x4000, 512, {0x4000}, 0x4000, 512},
                      AddressCase{"OneByteOverASector", Kq581x, "1000", 0x1000, 513, {0xFF1000, 0xFF1200},
                                  0xFF1000, 1024}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RunAddresses, SectorsAndCheckGoToTheFlashAddressesOfTheFamily) {
    const AddressCase& c = GetParam();
    host.controls.chipFamily = c.chipFamily;
    host.controls.userOffsetHex = c.userOffsetHex;
    useProgram(c.byteCount, c.userOffset);

    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);

    std::vector<uint32_t> addresses;
    for (const CommandCall& call : commands.callsOf("writeSector")) addresses.push_back(call.address);
    EXPECT_EQ(addresses, c.sectorAddresses);
    const auto checks = commands.callsOf("readFlashCrc");
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].address, c.checkAddress);
    EXPECT_EQ(checks[0].length, c.checkLength);
    EXPECT_EQ(host.count("log:共" + std::to_string(c.sectorAddresses.size()) + "个扇区\r\n"), 1);
}

TEST_F(UpgradeRunTest, AnEndRecordOnlyFileIsRefusedBeforeThePortIsOpened) {
    host.controls.hexPath = hexFile.write(0x1000, {});
    const RunResult result = run.runUpgrade();
    EXPECT_EQ(result.ending, RunEnding::FailedWithoutPicture);
    EXPECT_EQ(result.step, RunStep::File);
    EXPECT_EQ(result.fileReport.problem, HexLoadProblem::NoData);
    EXPECT_TRUE(host.callsStartingWith("open:").empty());
    EXPECT_TRUE(commands.names().empty());
}

// ---- a file that loads but may hide something ------------------------------

// A file cut off before its end record, or holding lines that are not
// records, still loads and flashes; the log says so in yellow right after
// the sector count, and the run's result carries the loader's report.
struct FileWarningCase {
    const char* name = "";
    bool cutOffEndRecord = false;
    std::string linesBefore{};  // put before the first record
    std::vector<std::string> warnings{};
};

std::ostream& operator<<(std::ostream& out, const FileWarningCase& c) { return out << c.name; }

class RunFileWarnings : public RunFixture, public ::testing::WithParamInterface<FileWarningCase> {};

const std::string NoEndRecordWarning = "colour3:HEX文件没有结束记录(:00000001FF)，文件可能不完整\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, RunFileWarnings,
    ::testing::Values(FileWarningCase{.name = "Complete"},
                      FileWarningCase{.name = "CutOffBeforeTheEndRecord", .cutOffEndRecord = true,
                                      .warnings = {NoEndRecordWarning}},
                      FileWarningCase{.name = "TwoLinesThatAreNotRecords", .linesBefore = "; version 3\r\n\r\n",
                                      .warnings = {"colour3:HEX文件有2行不是记录(不以:开头)，已跳过\r\n"}},
                      FileWarningCase{.name = "Both", .cutOffEndRecord = true, .linesBefore = "notes\r\n",
                                      .warnings = {NoEndRecordWarning,
                                                   "colour3:HEX文件有1行不是记录(不以:开头)，已跳过\r\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RunFileWarnings, YellowLinesFollowTheSectorCountAndTheRunGoesOn) {
    const FileWarningCase& c = GetParam();
    useProgram(600);
    std::string text;
    {
        std::ifstream in(test::utf8Path(host.controls.hexPath), std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string endLine = ":00000001FF\r\n";
    ASSERT_TRUE(text.ends_with(endLine));
    if (c.cutOffEndRecord) text.resize(text.size() - endLine.size());
    std::ofstream(test::utf8Path(host.controls.hexPath), std::ios::binary | std::ios::trunc) << c.linesBefore + text;

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(result.ending, RunEnding::Success);
    EXPECT_EQ(result.fileReport.endRecordMissing, c.cutOffEndRecord);
    EXPECT_EQ(result.fileReport.nonRecordLines, int(std::count(c.linesBefore.begin(), c.linesBefore.end(), '\n')));
    Calls expected = {"log:共2个扇区\r\n"};
    expected.insert(expected.end(), c.warnings.begin(), c.warnings.end());
    expected.push_back("pump");
    const Calls from = callsFrom("log:共2个扇区\r\n");
    ASSERT_GE(from.size(), expected.size());
    EXPECT_EQ(Calls(from.begin(), from.begin() + long(expected.size())), expected);
    EXPECT_EQ(commands.callsOf("writeSector").size(), 2u);
}

// ---- stop checks -----------------------------------------------------------

class RunStops : public RunFixture, public ::testing::WithParamInterface<StopCase> {};

INSTANTIATE_TEST_SUITE_P(
    AtEachCheck, RunStops,
    ::testing::Values(
        StopCase{.name = "DuringUnansweredHandshake", .scripts = {{"handshake", {NoReply, NoReply}}},
                 .stopDuring = "handshake", .step = RunStep::Handshake, .names = {"handshake"}},
        StopCase{.name = "DuringFileLoadIsSeenAfterErase", .stopAfterLog = "获取文件开始\r\n",
                 .step = RunStep::Erase, .names = {"handshake", "eraseAll"}},
        StopCase{.name = "AfterErase", .stopAfterLog = "擦除成功\r\n", .step = RunStep::Erase,
                 .names = {"handshake", "eraseAll"}},
        StopCase{.name = "BeforeSectorErase", .scripts = {{"writeSector", {NoReply}}},
                 .stopAfterLog = "重新写入\r\n", .step = RunStep::Write, .names = {"handshake", "eraseAll",
                                                                                 "writeSector"}},
        StopCase{.name = "BeforeSecondWrite", .scripts = {{"writeSector", {NoReply}}},
                 .stopDuring = "eraseSector", .step = RunStep::Write,
                 .names = {"handshake", "eraseAll", "writeSector", "eraseSector"}},
        StopCase{.name = "AfterFirstSector", .stopDuring = "writeSector", .step = RunStep::Write,
                 .names = {"handshake", "eraseAll", "writeSector"}},
        StopCase{.name = "DuringCheckIsNotSeenAnyMore", .stopDuring = "readFlashCrc",
                 .step = RunStep::None,
                 .names = {"handshake", "eraseAll", "writeSector", "writeSector", "readFlashCrc",
                           "jumpToProgram"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RunStops, EndsAtTheNextCheckWithThePortClosedAndNoPicture) {
    const StopCase& c = GetParam();
    armStop(c);

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(commands.names(), c.names);
    EXPECT_FALSE(run.upgradeRunning());
    EXPECT_EQ(host.count("log:停止启动\r\n"), 1);
    if (c.step == RunStep::None) {
        // The check's own pumps come after the last stop check: the run
        // finishes as a success.
        EXPECT_EQ(result.ending, RunEnding::Success);
        return;
    }
    EXPECT_EQ(result.ending, RunEnding::Stopped);
    EXPECT_EQ(result.step, c.step);
    EXPECT_EQ(host.callsStartingWith("log:").back(), "log:暂停返回\r\n");
    EXPECT_EQ(host.callsStartingWith("picture:"), Calls{"picture:255"});
    EXPECT_EQ(host.count("close:3"), 1);
    EXPECT_EQ(host.count("writeControls"), 1);  // the stop button's own
}

TEST_F(UpgradeRunTest, StopDuringHandshakeLeavesTheDownloadCaption) {
    useProgram(10);
    commands.setDefault("handshake", NoReply);
    host.stopAtPump(5);
    run.runUpgrade();
    EXPECT_EQ(host.callsStartingWith("caption:"), (Calls{"caption:对接中", "caption:下载"}));
    const Calls tail(host.calls.end() - 3, host.calls.end());
    EXPECT_EQ(tail, (Calls{"log:暂停返回\r\n", "caption:下载", "close:3"}));
}

// ---- the stop button and a second press --------------------------------------

TEST_F(UpgradeRunTest, StopWithoutARunLogsOnlyATimestamp) {
    run.stopUpgrade();
    EXPECT_EQ(host.calls, (Calls{"readControls", "timestamp", "writeControls"}));
}

TEST_F(UpgradeRunTest, StopDuringARunLogsTimestampAndStopLine) {
    useProgram(10);
    host.stopAfterLog("擦除成功\r\n");
    run.runUpgrade();
    const Calls stop = callsFrom("log:擦除成功\r\n");
    EXPECT_EQ(Calls(stop.begin(), stop.begin() + 6),
              (Calls{"log:擦除成功\r\n", "pump", "readControls", "timestamp", "log:停止启动\r\n", "writeControls"}));
}

TEST_F(UpgradeRunTest, ASecondPressDuringARunIsIgnored) {
    useProgram(1024);
    std::optional<RunResult> inner;
    host.onPump = [&](int pump) {
        if (pump == 10) {
            const size_t before = host.calls.size();
            inner = run.runUpgrade();
            EXPECT_EQ(host.calls.size(), before);  // nothing read, logged or sent
        }
    };
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(inner->ending, RunEnding::Ignored);
    EXPECT_EQ(commands.count("eraseAll"), 1);
    EXPECT_EQ(host.count("log:获取文件开始\r\n"), 1);
}

// ---- frozen settings ---------------------------------------------------------------

TEST_F(UpgradeRunTest, ControlChangesDuringARunDoNotReachLaterSteps) {
    useProgram(1024);
    host.onPump = [&](int) {
        if (commands.count("writeSector") == 1) {
            host.controls.chipFamily = Kq58xx;
            host.controls.userOffsetHex = "4000";
            host.controls.portNumber = 9;
        }
    };
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    const auto writes = commands.callsOf("writeSector");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].address, 0xFF1200u);
    EXPECT_EQ(commands.callsOf("readFlashCrc").at(0).address, 0xFF1000u);
    for (const CommandCall& call : commands.calls()) EXPECT_EQ(call.port, TestPort) << call.name;
    EXPECT_EQ(host.count("close:3"), 1);
}

// ---- the handshake pause -------------------------------------------------------------

TEST_F(UpgradeRunTest, AHandshakeThatFailsAtThePortPausesAndAPortThatStaysDeadEndsTheRun) {
    useProgram(10);
    commands.setDefault("handshake", DrainFailed);
    commands.onCall = [&](const CommandCall& call) {
        host.note("cmd:" + call.name);
        if (commands.count("handshake") == 50) host.stopAtNextPump();  // a loop that never gives up ends too
    };
    const RunResult result = run.runUpgrade();
    EXPECT_EQ(result.ending, RunEnding::FailedWithoutPicture);
    EXPECT_EQ(result.step, RunStep::Port);
    EXPECT_EQ(commands.count("handshake"), LostPortAttempts);
    EXPECT_EQ(host.count("wait:150"), LostPortAttempts);
    EXPECT_EQ(host.callsStartingWith("unanswered:"), (Calls{"unanswered:1", "unanswered:2", "unanswered:3"}));
    EXPECT_FALSE(run.upgradeRunning());
    EXPECT_EQ(host.count("close:3"), 1);
    EXPECT_EQ(host.count("red:通信口打不开\r\n"), 1);
    EXPECT_EQ(host.callsStartingWith("picture:"), std::vector<std::string>{"picture:255"});
    // Each pause comes right after its attempt.
    const Calls from = callsFrom("cmd:handshake");
    EXPECT_EQ(Calls(from.begin(), from.begin() + 5),
              (Calls{"cmd:handshake", "wait:150", "unanswered:1", "pump", "cmd:handshake"}));
}

TEST_F(UpgradeRunTest, ASilentAttemptBetweenPortFailuresKeepsTheHandshakeGoing) {
    useProgram(10);
    commands.script("handshake", {DrainFailed, SendFailed, NoReply, DrainFailed, SendFailed, NoReply});
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    EXPECT_EQ(commands.count("handshake"), 7);
    EXPECT_EQ(host.count("wait:150"), 4);
}

TEST_F(UpgradeRunTest, ASilentHandshakeRepeatsWithoutExtraPause) {
    useProgram(10);
    commands.script("handshake", std::vector<CommandResult>(5, NoReply));
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    EXPECT_EQ(commands.count("handshake"), 6);
    EXPECT_TRUE(host.callsStartingWith("wait:").empty());
}

}  // namespace
}  // namespace kq::test
