// Faults the simulated module injects, one module per row: the log lines the
// run shows (red lines start with "! " as stdout is a pipe), its exit status,
// its hint on stderr, and how many requests of each command reached the module.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "e2e/flasher_session.h"

namespace kq::testing {
namespace {

struct FaultRow {
    const char* name;
    std::vector<std::string> simArgs;
    std::vector<std::string> flashArgs;  // besides --chip and the file
    std::vector<std::string> expected;   // the transcript
    int exitCode;
    std::map<std::string, int> requestCounts;  // commands not listed are not counted
    std::string hint = "";                     // text on stderr; "" = stderr stays empty
    std::string module = "";                   // module address every request names, if checked
    std::string everyReply = "";               // how the module took every request, if checked
};

void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

// The 251 sample fills 12 sectors.
const Sample& sample = sample251();
const std::vector<std::string> Start = fileRead(12);
const std::vector<std::string> Handshake = {TimeLine, "对接开始", "对接成功"};
const std::vector<std::string> Erase = {"擦除开始", "擦除成功"};
const std::vector<std::string> Write = {"写入开始", "写入成功"};
const std::vector<std::string> CheckAndJump = {"检测开始", "检测成功", "程序跳转", TimeLine, "升级成功"};
const std::vector<std::string> LocalSuccess = lines({Start, Handshake, Erase, Write, CheckAndJump});
const std::vector<std::string> StoppedHandshake = lines({Start, {TimeLine, "对接开始", TimeLine, "停止启动", "暂停返回"}});
const std::vector<std::string> Configure = {"配置开始", "配置成功"};
const std::vector<std::string> VerifyAndReset = {"校验开始", "校验成功", "程序复位", "升级成功"};
const std::vector<std::string> BackupSuccess = lines({Start, Configure, Write, VerifyAndReset});

const std::vector<std::string> Backup = {"--type", "backup"};
const std::string NeverAnswered = "the module never answered";

class ModuleFaults : public ::testing::TestWithParam<FaultRow> {};

TEST_P(ModuleFaults, LoggedEndingAndRequests) {
    const FaultRow& row = GetParam();
    std::vector<std::string> simArgs = {"--family", sample.chip};
    simArgs.insert(simArgs.end(), row.simArgs.begin(), row.simArgs.end());
    FlasherSession session(simArgs);
    ASSERT_TRUE(session.ready()) << session.error();

    std::vector<std::string> args = {"--chip", sample.chip};
    args.insert(args.end(), row.flashArgs.begin(), row.flashArgs.end());
    args.push_back(sample.hexPath);
    const ProcessResult run = session.flash(args);
    ASSERT_TRUE(session.sim().stop());

    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    EXPECT_EQ(transcript(run.out), row.expected);
    if (row.hint.empty()) {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_NE(run.err.find(row.hint), std::string::npos) << run.err;
    }

    const std::vector<RequestRecord> requests = session.sim().requests();
    for (const auto& [name, count] : row.requestCounts) EXPECT_EQ(countNamed(requests, name), count) << name;
    if (!row.module.empty()) {
        for (const RequestRecord& r : requests) EXPECT_EQ(r.module, row.module) << r.name;
    }
    if (!row.everyReply.empty()) {
        EXPECT_FALSE(requests.empty());
        for (const RequestRecord& r : requests) EXPECT_EQ(r.reply, row.everyReply) << r.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Local, ModuleFaults,
    ::testing::Values(
        FaultRow{"HandshakeSilentThenAnswered", {"--silent", "handshake:3"}, {}, LocalSuccess, 0, {{"handshake", 4}}},
        FaultRow{"EraseRefusedTwice",
                 {"--error-bit", "erase-all:2"},
                 {},
                 lines({Start, Handshake, {"擦除开始", "! 擦除失败"}}),
                 1,
                 {{"erase-all", 3}, {"write-sector", 0}},
                 "the erase failed"},
        FaultRow{"SectorWriteRefusedOnce",
                 {"--error-bit", "write-sector:1"},
                 {},
                 lines({Start, Handshake, Erase, {"写入开始", "! 重新写入", "写入成功"}, CheckAndJump}),
                 0,
                 {{"write-sector", 13}, {"erase-sector", 1}}},
        FaultRow{"SectorWriteRefusedTwice",
                 {"--error-bit", "write-sector:2"},
                 {},
                 lines({Start, Handshake, Erase, {"写入开始", "! 重新写入", "! 写入失败"}}),
                 1,
                 {{"write-sector", 2}, {"erase-sector", 1}, {"read-crc", 0}},
                 "a write failed"},
        FaultRow{"SectorEraseRefusedAfterFailedWrite",
                 {"--error-bit", "write-sector:1", "--error-bit", "erase-sector:1"},
                 {},
                 lines({Start, Handshake, Erase, {"写入开始", "! 重新写入", "! 第1扇区写入失败"}}),
                 1,
                 {{"write-sector", 1}, {"erase-sector", 1}},
                 "a write failed"},
        FaultRow{"FlashCrcDiffers",
                 {"--bad-crc"},
                 {},
                 lines({Start, Handshake, Erase, Write, {"检测开始", "! CRC不一致，失败"}}),
                 1,
                 {{"read-crc", 1}, {"jump", 0}},
                 "the flash CRC differs"},
        FaultRow{"FlashCrcNeverReturned",
                 {"--silent", "read-crc:2"},
                 {},
                 lines({Start, Handshake, Erase, Write, {"检测开始", "! 检测失败"}}),
                 1,
                 {{"read-crc", 2}, {"jump", 0}},
                 "did not return its flash CRC"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    RemoteWithoutBackup, ModuleFaults,
    ::testing::Values(
        // The running program must set the flag first: nothing else goes out
        // when it does not answer, not even a handshake.
        FaultRow{"UpgradeFlagUnanswered",
                 {"--mode", "app", "--silent", "upgrade-flag:1"},
                 {"--type", "nobackup"},
                 lines({Start, {TimeLine, "写入升级标志", "! 写入失败"}}),
                 1,
                 {{"upgrade-flag", 1}, {"reset", 0}, {"handshake", 0}, {"erase-all", 0}},
                 NeverAnswered},
        // A refusal is an answer: the hint names the step, not the line.
        FaultRow{"UpgradeFlagRefused",
                 {"--mode", "app", "--error-bit", "upgrade-flag"},
                 {"--type", "nobackup"},
                 lines({Start, {TimeLine, "写入升级标志", "! 写入失败"}}),
                 1,
                 {{"upgrade-flag", 1}, {"reset", 0}, {"handshake", 0}},
                 "refused the upgrade flag"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    RemoteWithBackup, ModuleFaults,
    ::testing::Values(
        FaultRow{"ConfigureRefusedOnce",
                 {"--mode", "app", "--error-bit", "remote-configure:1"},
                 Backup,
                 lines({Start, {"配置开始", "! 重新配置", "配置成功"}, Write, VerifyAndReset}),
                 0,
                 {{"remote-configure", 2}, {"remote-reset", 2}}},
        FaultRow{"FrameRefusedTwice",
                 {"--mode", "app", "--error-bit", "remote-write:2"},
                 Backup,
                 lines({Start, Configure, {"写入开始", "! 重新写入", "! 写入失败"}}),
                 1,
                 {{"remote-write", 2}, {"remote-verify", 0}},
                 "a write failed"},
        FaultRow{"VerifyRefusedTwice",
                 {"--mode", "app", "--error-bit", "remote-verify:2"},
                 Backup,
                 lines({Start, Configure, Write, {"校验开始", "! 重新校验", "! 校验失败"}}),
                 1,
                 {{"remote-verify", 2}, {"remote-reset", 0}},
                 "verify failed"},
        // Requests for another module go unanswered.
        FaultRow{"ModuleAddressDiffers",
                 {"--mode", "app", "--address", "000000000001"},
                 {"--type", "backup", "--address", "000000000002"},
                 lines({Start, {"配置开始", "! 重新配置", "! 配置失败"}}),
                 1,
                 {{"remote-configure", 2}, {"remote-write", 0}},
                 "no answer from module 000000000002 on the bus at ",
                 "020000000000",
                 "none"},
        // The wildcard (in either case) takes the reply of whichever module answers.
        FaultRow{"WildcardAcceptsAnyModule",
                 {"--mode", "app", "--address", "123456789012", "--foreign", "remote-configure"},
                 {"--type", "backup", "--address", "aaaaaaaaaaaa"},
                 BackupSuccess,
                 0,
                 {{"remote-configure", 1}},
                 "",
                 "AAAAAAAAAAAA"},
        // A full address is sent last pair first, and a reply from another module is passed over.
        FaultRow{"OwnAddressPassesOverForeignReply",
                 {"--mode", "app", "--address", "123456789012", "--foreign", "remote-write:1"},
                 {"--type", "backup", "--address", "123456789012"},
                 lines({Start, Configure, {"写入开始", "! 重新写入", "写入成功"}, VerifyAndReset}),
                 0,
                 {{"remote-write", 13}},
                 "",
                 "129078563412"},
        FaultRow{"ShortAddressTakesLeadingZeros",
                 {"--mode", "app", "--address", "000000000001"},
                 {"--type", "backup", "--address", "1"},
                 BackupSuccess,
                 0,
                 {{"remote-configure", 1}},
                 "",
                 "010000000000"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

// The line itself: settings, noise, split and foreign replies, slow answers.
INSTANTIATE_TEST_SUITE_P(
    Line, ModuleFaults,
    ::testing::Values(
        FaultRow{"SlowLineWithParity", {"--baud", "9600", "--parity", "odd"}, {"--baud", "9600", "--parity", "odd"},
                 LocalSuccess, 0, {{"handshake", 1}}},
        FaultRow{"BaudRateDiffers",
                 {"--baud", "9600"},
                 {"--handshake-timeout", "1"},
                 StoppedHandshake,
                 6,
                 {{"erase-all", 0}},
                 NeverAnswered,
                 "",
                 "garbled"},
        // (Even parity cannot be told from none on a pseudo-terminal.)
        FaultRow{"ParityDiffers",
                 {"--parity", "odd"},
                 {"--handshake-timeout", "1"},
                 StoppedHandshake,
                 6,
                 {{"erase-all", 0}},
                 NeverAnswered,
                 "",
                 "garbled"},
        FaultRow{"NoiseAndSplitReplies", {"--noise", "40", "--split", "3"}, {}, LocalSuccess, 0,
                 {{"handshake", 1}, {"write-sector", 12}}},
        FaultRow{"ForeignRepliesPassedOver",
                 {"--foreign", "handshake:2", "--foreign", "write-sector:1"},
                 {},
                 lines({Start, Handshake, Erase, {"写入开始", "! 重新写入", "写入成功"}, CheckAndJump}),
                 0,
                 {{"handshake", 3}, {"erase-sector", 1}, {"write-sector", 13}}},
        FaultRow{"DelaysInsideTheTimeOuts",
                 {"--delay", "handshake:100", "--delay", "erase-all:1500", "--delay", "read-crc:1500"},
                 {},
                 LocalSuccess,
                 0,
                 {{"handshake", 1}, {"erase-all", 1}, {"read-crc", 1}}},
        // The late reply to the first verify is taken by the second.
        FaultRow{"DelayBeyondTheTimeOut",
                 {"--mode", "app", "--delay", "remote-verify:4500"},
                 Backup,
                 lines({Start, Configure, Write, {"校验开始", "! 重新校验", "校验成功", "程序复位", "升级成功"}}),
                 0,
                 {{"remote-verify", 2}}}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq::testing
