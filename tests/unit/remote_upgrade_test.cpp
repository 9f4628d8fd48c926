// The remote path with backup: configure, frames by image offset, verify and
// the two resets, driven through a recording host and scripted commands.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/link_frame.h"
#include "support/run_fixture.h"

namespace kq::test {
namespace {

using Calls = std::vector<std::string>;

class RemoteUpgradeTest : public RunFixture {
protected:
    RemoteUpgradeTest() { host.controls.bootloadType = RemoteWithBackup; }
};

TEST_F(RemoteUpgradeTest, SuccessfulRunOfTwoSectorsGivesTheWholeTranscript) {
    useProgram(1000);

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(result.ending, RunEnding::Success);
    EXPECT_FALSE(run.upgradeRunning());
    const Calls expected = {
        "open:3", "step:module_address", "pump",
        "step:configure", "log:配置开始\r\n", "pump", "cmd:remoteConfigure", "log:配置成功\r\n", "pump",
        "step:write", "log:写入开始\r\n", "pump",
        "label:第1扇区", "progress:0/2", "pump", "cmd:remoteWrite", "pump",
        "label:第2扇区", "progress:1/2", "pump", "cmd:remoteWrite", "pump",
        "progress:2/2", "log:写入成功\r\n", "pump",
        "step:verify", "log:校验开始\r\n", "pump", "cmd:remoteVerify", "log:校验成功\r\n", "pump",
        "pump", "cmd:remoteReset", "wait:100", "pump", "cmd:remoteReset",
        "log:程序复位\r\n", "picture:0", "log:升级成功\r\n",
        "label:", "close:3", "writeControls",
    };
    EXPECT_EQ(callsFrom("open:3"), expected);
    // No second time stamp on this path: one at the press only.
    EXPECT_EQ(host.count("timestamp"), 1);
    for (const CommandCall& call : commands.calls()) {
        EXPECT_EQ(call.module, ModuleAddress({0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA})) << call.name;
        EXPECT_EQ(call.port, TestPort) << call.name;
    }
}

// ---- frames ----------------------------------------------------------------------

struct FrameCase {
    const char* name = "";
    int frameDataLength;
    int frameBytes;
};

std::ostream& operator<<(std::ostream& out, const FrameCase& c) { return out << c.name; }

class RemoteFrames : public RemoteUpgradeTest, public ::testing::WithParamInterface<FrameCase> {};

INSTANTIATE_TEST_SUITE_P(EachLength, RemoteFrames,
                         ::testing::Values(FrameCase{"Bytes64", 0, 64}, FrameCase{"Bytes128", 1, 128},
                                           FrameCase{"Bytes256", 2, 256}, FrameCase{"Bytes512", 3, 512},
                                           FrameCase{"UnknownIndexSends512", 7, 512},
                                           FrameCase{"NegativeIndexSends512", -1, 512}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(RemoteFrames, CoverTheImageByImageOffsetWithoutGaps) {
    const FrameCase& c = GetParam();
    host.controls.frameDataLength = c.frameDataLength;
    useProgram(700);  // two sectors, the second padded

    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);

    const std::vector<uint8_t> padded = paddedProgram();
    const auto frames = commands.callsOf("remoteWrite");
    ASSERT_EQ(frames.size(), size_t(1024 / c.frameBytes));
    for (size_t k = 0; k < frames.size(); ++k) {
        const uint32_t offset = uint32_t(k) * uint32_t(c.frameBytes);
        EXPECT_EQ(frames[k].address, offset) << "frame " << k;
        EXPECT_EQ(frames[k].data,
                  std::vector<uint8_t>(padded.begin() + offset, padded.begin() + offset + uint32_t(c.frameBytes)))
            << "frame " << k;
    }
    // Messages are handled only at sector ends, not between frames.
    EXPECT_EQ(host.count("pump"), 15);
}

TEST_F(RemoteUpgradeTest, AFrameRetryPumpsOnlyBeforeItsSecondAttempt) {
    host.controls.frameDataLength = 1;  // four frames per sector
    useProgram(512);
    commands.script("remoteWrite", {NoReply});
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    const Calls from = callsFrom("cmd:remoteWrite");
    EXPECT_EQ(Calls(from.begin(), from.begin() + 9),
              (Calls{"cmd:remoteWrite", "red:重新写入\r\n", "pump", "cmd:remoteWrite", "cmd:remoteWrite",
                     "cmd:remoteWrite", "cmd:remoteWrite", "pump", "progress:1/1"}));
}

// ---- configure ---------------------------------------------------------------------

struct ConfigureCase {
    const char* name = "";
    int chipFamily;
    const char* userOffsetHex;
    const char* upgradeOffsetHex;
    uint32_t userOffset;
    uint32_t sentUserOffset;
    uint32_t sentUpgradeOffset;
};

std::ostream& operator<<(std::ostream& out, const ConfigureCase& c) { return out << c.name; }

class RemoteConfigure : public RemoteUpgradeTest, public ::testing::WithParamInterface<ConfigureCase> {};

INSTANTIATE_TEST_SUITE_P(
    Families, RemoteConfigure,
    ::testing::Values(ConfigureCase{"Kq581xAddsTheFlashBase", Kq581x, "1000", "8000", 0x1000, 0xFF1000, 0xFF8000},
                      ConfigureCase{"Kq58xxSendsOffsetsAsTheyAre", Kq58xx, "4000", "11000", 0x4000, 0x4000,
                                    0x11000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RemoteConfigure, AnnouncesOffsetsPaddedLengthAndImageCrc) {
    const ConfigureCase& c = GetParam();
    host.controls.chipFamily = c.chipFamily;
    host.controls.userOffsetHex = c.userOffsetHex;
    host.controls.upgradeOffsetHex = c.upgradeOffsetHex;
    host.controls.upgradeAreaKiB = 28;
    useProgram(1100, c.userOffset);

    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);

    const auto configures = commands.callsOf("remoteConfigure");
    ASSERT_EQ(configures.size(), 1u);
    const std::vector<uint8_t> padded = paddedProgram();
    EXPECT_EQ(configures[0].upgradeOffset, c.sentUpgradeOffset);
    EXPECT_EQ(configures[0].userOffset, c.sentUserOffset);
    EXPECT_EQ(configures[0].length, 1536u);
    EXPECT_EQ(configures[0].crc, crc16(padded.data(), padded.size()));
}

TEST_F(RemoteUpgradeTest, TheModuleAddressTextNamesTheModuleOfEveryCommand) {
    host.controls.moduleAddress = "123456789012";
    useProgram(10);
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    for (const CommandCall& call : commands.calls()) {
        EXPECT_EQ(call.module, ModuleAddress({0x12, 0x90, 0x78, 0x56, 0x34, 0x12})) << call.name;
    }
}

// ---- endings -------------------------------------------------------------------------

struct RemoteEndingCase {
    const char* name = "";
    std::vector<std::pair<const char*, std::vector<CommandResult>>> scripts{};
    RunEnding ending = RunEnding::Success;
    RunStep step = RunStep::None;
    std::vector<std::string> reds{};
    std::vector<std::string> names{};
};

std::ostream& operator<<(std::ostream& out, const RemoteEndingCase& c) { return out << c.name; }

class RemoteEndings : public RemoteUpgradeTest, public ::testing::WithParamInterface<RemoteEndingCase> {};

const std::vector<std::string> RemoteSuccess = {"remoteConfigure", "remoteWrite", "remoteVerify", "remoteReset",
                                                "remoteReset"};

INSTANTIATE_TEST_SUITE_P(
    Retries, RemoteEndings,
    ::testing::Values(
        RemoteEndingCase{"Success", {}, RunEnding::Success, RunStep::None, {}, RemoteSuccess},
        RemoteEndingCase{"ConfigureRetried", {{"remoteConfigure", {NoReply}}}, RunEnding::Success, RunStep::None,
                         {"red:重新配置\r\n"},
                         {"remoteConfigure", "remoteConfigure", "remoteWrite", "remoteVerify", "remoteReset",
                          "remoteReset"}},
        RemoteEndingCase{"ConfigureFails", {{"remoteConfigure", {NoReply, NoReply}}}, RunEnding::FailedWithCross,
                         RunStep::Configure, {"red:重新配置\r\n", "red:配置失败\r\n"},
                         {"remoteConfigure", "remoteConfigure"}},
        RemoteEndingCase{"FrameRetried", {{"remoteWrite", {SendFailed}}}, RunEnding::Success, RunStep::None,
                         {"red:重新写入\r\n"},
                         {"remoteConfigure", "remoteWrite", "remoteWrite", "remoteVerify", "remoteReset",
                          "remoteReset"}},
        RemoteEndingCase{"FrameFails", {{"remoteWrite", {NoReply, NoReply}}}, RunEnding::FailedWithCross,
                         RunStep::Write, {"red:重新写入\r\n", "red:写入失败\r\n"},
                         {"remoteConfigure", "remoteWrite", "remoteWrite"}},
        RemoteEndingCase{"VerifyRetried", {{"remoteVerify", {NoReply}}}, RunEnding::Success, RunStep::None,
                         {"red:重新校验\r\n"},
                         {"remoteConfigure", "remoteWrite", "remoteVerify", "remoteVerify", "remoteReset",
                          "remoteReset"}},
        RemoteEndingCase{"VerifyFails", {{"remoteVerify", {NoReply, DrainFailed}}}, RunEnding::FailedWithCross,
                         RunStep::Verify, {"red:重新校验\r\n", "red:校验失败\r\n"},
                         {"remoteConfigure", "remoteWrite", "remoteVerify", "remoteVerify"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RemoteEndings, RetryOnceThenEndWithTheRedLineAndCross) {
    const RemoteEndingCase& c = GetParam();
    useProgram(100);
    for (const auto& [command, results] : c.scripts) commands.script(command, results);

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(result.ending, c.ending);
    EXPECT_EQ(result.step, c.step);
    EXPECT_EQ(host.callsStartingWith("red:"), c.reds);
    EXPECT_EQ(commands.names(), c.names);
    EXPECT_EQ(host.count("close:3"), 1);
    EXPECT_FALSE(run.upgradeRunning());
    const bool success = c.ending == RunEnding::Success;
    EXPECT_EQ(host.callsStartingWith("picture:"), (Calls{"picture:255", success ? "picture:0" : "picture:1"}));
}

// ---- stops -----------------------------------------------------------------------------

class RemoteStops : public RemoteUpgradeTest, public ::testing::WithParamInterface<StopCase> {};

INSTANTIATE_TEST_SUITE_P(
    AtEachCheck, RemoteStops,
    ::testing::Values(
        StopCase{.name = "BeforeConfigureRetry", .scripts = {{"remoteConfigure", {NoReply}}},
                       .stopAfterLog = "重新配置\r\n", .step = RunStep::Configure, .names = {"remoteConfigure"}},
        StopCase{.name = "AfterConfigure", .stopAfterLog = "配置成功\r\n", .step = RunStep::Configure,
                       .names = {"remoteConfigure"}},
        StopCase{.name = "BeforeFrameRetry", .scripts = {{"remoteWrite", {NoReply}}},
                       .stopAfterLog = "重新写入\r\n", .step = RunStep::Write,
                       .names = {"remoteConfigure", "remoteWrite"}},
        StopCase{.name = "FramesOfASectorAreNotInterrupted", .stopDuring = "remoteWrite", .step = RunStep::Write,
                       .names = {"remoteConfigure", "remoteWrite", "remoteWrite", "remoteWrite", "remoteWrite"}},
        StopCase{.name = "BeforeVerifyRetry", .scripts = {{"remoteVerify", {NoReply}}},
                       .stopAfterLog = "重新校验\r\n", .step = RunStep::Verify,
                       .names = {"remoteConfigure", "remoteWrite", "remoteWrite", "remoteWrite", "remoteWrite",
                                 "remoteWrite", "remoteWrite", "remoteWrite", "remoteWrite", "remoteVerify"}},
        StopCase{.name = "AfterVerify", .stopAfterLog = "校验成功\r\n", .step = RunStep::Verify,
                       .names = {"remoteConfigure", "remoteWrite", "remoteWrite", "remoteWrite", "remoteWrite",
                                 "remoteWrite", "remoteWrite", "remoteWrite", "remoteWrite", "remoteVerify"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RemoteStops, EndAtTheNextCheckWithoutPicture) {
    const StopCase& c = GetParam();
    host.controls.frameDataLength = 1;  // four frames per sector
    armStop(c);

    const RunResult result = run.runUpgrade();

    EXPECT_EQ(result.ending, RunEnding::Stopped);
    EXPECT_EQ(result.step, c.step);
    EXPECT_EQ(commands.names(), c.names);
    EXPECT_EQ(host.callsStartingWith("log:").back(), "log:暂停返回\r\n");
    EXPECT_EQ(host.callsStartingWith("picture:"), Calls{"picture:255"});
    EXPECT_EQ(host.count("close:3"), 1);
}

TEST_F(RemoteUpgradeTest, AStopPressedDuringAFrameRetryIsSeenRightAfterIt) {
    host.controls.frameDataLength = 1;
    useProgram(1024);
    commands.script("remoteWrite", {NoReply});
    commands.onCall = [&](const CommandCall& call) {
        // The retry of frame 0 is the second remoteWrite: stop "during" it.
        if (call.name == "remoteWrite" && commands.count("remoteWrite") == 2) run.stopUpgrade();
    };
    const RunResult result = run.runUpgrade();
    EXPECT_EQ(result.ending, RunEnding::Stopped);
    EXPECT_EQ(result.step, RunStep::Write);
    EXPECT_EQ(commands.count("remoteWrite"), 2);
}

// ---- the module address check -----------------------------------------------------

struct AddressTextCase {
    const char* name = "";
    const char* text;
    bool valid;
};

std::ostream& operator<<(std::ostream& out, const AddressTextCase& c) { return out << c.name; }

class RemoteModuleAddress : public RemoteUpgradeTest, public ::testing::WithParamInterface<AddressTextCase> {};

INSTANTIATE_TEST_SUITE_P(Texts, RemoteModuleAddress,
                         ::testing::Values(AddressTextCase{"ShortIsPadded", "1234", true},
                                           AddressTextCase{"LetterInAPair", "12345678901X", false},
                                           AddressTextCase{"MixedCaseWildcard", "Aa0000000001", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(RemoteModuleAddress, AnInvalidAddressEndsTheRunBeforeAnythingIsSent) {
    const AddressTextCase& c = GetParam();
    host.controls.moduleAddress = c.text;
    useProgram(10);

    const RunResult result = run.runUpgrade();

    if (c.valid) {
        EXPECT_EQ(result.ending, RunEnding::Success);
        return;
    }
    EXPECT_EQ(result.ending, RunEnding::FailedWithCross);
    EXPECT_EQ(result.step, RunStep::ModuleAddress);
    EXPECT_TRUE(commands.calls().empty());
    EXPECT_EQ(callsFrom("open:3"), (Calls{"open:3", "step:module_address", "red:模块地址错误\r\n", "picture:1", "close:3"}));
    EXPECT_FALSE(run.upgradeRunning());
}

TEST_F(RemoteUpgradeTest, TheAddressIsOnlyCheckedOnThisPath) {
    host.controls.bootloadType = LocalUpgrade;
    host.controls.moduleAddress = "not an address";
    useProgram(10);
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
}

// ---- frozen settings --------------------------------------------------------------------

TEST_F(RemoteUpgradeTest, AFrameLengthChangedDuringTheRunDoesNotReachLaterSectors) {
    host.controls.frameDataLength = 3;
    useProgram(1536);
    host.onPump = [&](int) {
        if (commands.count("remoteWrite") == 1) {
            host.controls.frameDataLength = 0;
            host.controls.moduleAddress = "000000000001";
        }
    };
    EXPECT_EQ(run.runUpgrade().ending, RunEnding::Success);
    const auto frames = commands.callsOf("remoteWrite");
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].address, 1024u);
    EXPECT_EQ(frames[2].module, frames[0].module);
}

}  // namespace
}  // namespace kq::test
