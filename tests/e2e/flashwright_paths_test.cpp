// The three bootload types for both chip families, each against its own
// simulated module that starts with a flash full of old content: the log
// lines in order, the requests on the line, and the flash afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e/flasher_session.h"
#include "e2e/hex_reference.h"
#include "support/temp_hex_file.h"

namespace kq::testing {
namespace {

enum class Path { Local, NoBackup, Backup };

struct PathRow {
    const char* name;
    const Sample* sample;
    Path path;
    int frameBytes;  // remote with backup only
    const char* copiedTo = nullptr;  // the sample's path in a fresh working folder, if copied
};

void PrintTo(const PathRow& row, std::ostream* os) { *os << row.name; }

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// "name@address" for the flash layout, "name+offset" or "name" for the module layout.
std::vector<std::string> describe(const std::vector<RequestRecord>& records) {
    std::vector<std::string> result;
    for (const RequestRecord& r : records) {
        if (r.layout == "flash") {
            result.push_back(r.name + "@" + hex(r.address));
        } else {
            result.push_back(r.offset ? r.name + "+" + std::to_string(*r.offset) : r.name);
        }
    }
    return result;
}

std::vector<std::string> expectedTranscript(const PathRow& row) {
    const int sectors = row.sample->sectors;
    const std::vector<std::string> eraseWriteCheck = {"擦除开始", "擦除成功", "写入开始", "写入成功",
                                                      "检测开始", "检测成功", "程序跳转", TimeLine, "升级成功"};
    switch (row.path) {
        case Path::Local:
            return lines({fileRead(sectors), {TimeLine, "对接开始", "对接成功"}, eraseWriteCheck});
        case Path::NoBackup:
            return lines({fileRead(sectors), {TimeLine, "写入升级标志", "写入升级标志成功", "复位模块", "等待2秒"},
                          eraseWriteCheck});
        case Path::Backup:
            return lines({fileRead(sectors), {"配置开始", "配置成功", "写入开始", "写入成功", "校验开始", "校验成功",
                                              "程序复位", "升级成功"}});
    }
    return {};
}

std::vector<std::string> expectedRequests(const PathRow& row) {
    const Sample& s = *row.sample;
    // A KQ581X module takes flash addresses with 0xFF0000 added.
    const uint32_t userFlash = s.flashBase + s.userOffset;
    std::vector<std::string> requests;
    if (row.path == Path::Backup) {
        requests.push_back("remote-configure");
        for (uint32_t offset = 0; offset < uint32_t(s.sectors) * 512; offset += uint32_t(row.frameBytes)) {
            requests.push_back("remote-write+" + std::to_string(offset));
        }
        requests.insert(requests.end(), {"remote-verify", "remote-reset", "remote-reset"});
        return requests;
    }
    if (row.path == Path::Local) requests.push_back("handshake@0x0");
    if (row.path == Path::NoBackup) requests.insert(requests.end(), {"upgrade-flag@0x0", "reset@0x0"});
    requests.push_back("erase-all@0x0");
    for (int sector = 0; sector < s.sectors; ++sector) {
        requests.push_back("write-sector@" + hex(userFlash + uint32_t(sector) * 512));
    }
    requests.insert(requests.end(), {"read-crc@" + hex(userFlash), "jump@0x0"});
    return requests;
}

// The flasher's options of the row's bootload type.
std::vector<std::string> typeArguments(const PathRow& row) {
    std::vector<std::string> args = {"--chip", row.sample->chip};
    if (row.path == Path::NoBackup) args.insert(args.end(), {"--type", "nobackup"});
    if (row.path == Path::Backup) {
        args.insert(args.end(), {"--type", "backup", "--frame", std::to_string(row.frameBytes)});
    }
    return args;
}

// The remote types find the user program running; the local type the bootloader.
const char* simMode(const PathRow& row) { return row.path == Path::Local ? "boot" : "app"; }

class UpgradePaths : public ::testing::TestWithParam<PathRow> {};

TEST_P(UpgradePaths, FlashHoldsTheFileAfterTheLoggedSteps) {
    const PathRow& row = GetParam();
    const Sample& s = *row.sample;
    const std::vector<uint8_t> before = patternFlash(s.flashBytes);
    TempFolder input;
    writeFile(input.file("old.bin"), before);

    FlasherSession session({"--family", s.chip, "--mode", simMode(row), "--flash-in", input.file("old.bin")});
    ASSERT_TRUE(session.ready()) << session.error();

    std::vector<std::string> args = typeArguments(row);
    ProcessOptions options;
    if (row.copiedTo != nullptr) {
        const std::string copy = input.file(row.copiedTo);
        std::filesystem::create_directories(test::utf8Path(copy).parent_path());
        writeBytes(copy, readBytes(s.hexPath));
        args.push_back(copy);
        options.workingDirectory = test::utf8String(test::utf8Path(copy).parent_path());
    } else {
        args.push_back(s.hexPath);
    }
    const ProcessResult run = session.flash(args, options);
    ASSERT_TRUE(session.sim().stop());

    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << "no terminal colours into a pipe";
    EXPECT_EQ(transcript(run.out), expectedTranscript(row));

    const std::vector<RequestRecord> requests = session.sim().requests();
    EXPECT_EQ(describe(requests), expectedRequests(row));
    for (const RequestRecord& r : requests) {
        EXPECT_TRUE(r.reply == "ok" || r.reply == "none") << r.name << " answered " << r.reply;
        if (row.path == Path::Backup) {
            EXPECT_EQ(r.module, "AAAAAAAAAAAA") << r.name;
        }
    }

    const int type = row.path == Path::Backup ? 1 : row.path == Path::NoBackup ? 2 : 0;
    std::string refused;
    const auto image = referenceImage(s.hexPath, s.chipFamily, type, s.userOffset, s.upgradeAreaKiB, &refused);
    ASSERT_NE(image, nullptr) << refused;
    ASSERT_EQ(image->sectorCount(), s.sectors);
    if (row.path == Path::Backup) {
        // The image lands in the backup area, and the reset copies it to the
        // user area; nothing else is touched, as there is no erase-all.
        EXPECT_EQ(compareFlash(session.sim().flashDump(), before, *image,
                               {{s.userOffset}, {s.upgradeOffset}}, {{0, s.flashBytes}}),
                  "");
    } else {
        // The bootloader area survives; the rest of the old program is erased.
        EXPECT_EQ(compareFlash(session.sim().flashDump(), before, *image, {{s.userOffset}}, {{0, s.bootBytes}}), "");
    }
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, UpgradePaths,
                         ::testing::Values(PathRow{"Kq581xLocal", &sample251(), Path::Local, 0},
                                           PathRow{"Kq58xxLocal", &sampleArm(), Path::Local, 0},
                                           PathRow{"Kq581xRemoteWithoutBackup", &sample251(), Path::NoBackup, 0},
                                           PathRow{"Kq58xxRemoteWithoutBackup", &sampleArm(), Path::NoBackup, 0},
                                           PathRow{"Kq581xRemoteWithBackupFrame64", &sample251(), Path::Backup, 64},
                                           PathRow{"Kq58xxRemoteWithBackupFrame512", &sampleArm(), Path::Backup, 512},
                                           // Folder and file names beyond ASCII reach the file as they are.
                                           PathRow{"Kq581xLocalFromChineseFolder", &sample251(), Path::Local, 0,
                                                   "固件 升级/演示程序.hex"}),
                         [](const ::testing::TestParamInfo<PathRow>& info) { return std::string(info.param.name); });

// A module that holds requests and replies for their time on a 2400 baud
// line, where a sector write's request (525 bytes, 2.2 s on the wire) and a
// 512-byte frame's (531 bytes) outlast their reply time-outs (500 ms, 2 s):
// every bootload type still succeeds, and the requests really were paced.
class PacedLine : public ::testing::TestWithParam<PathRow> {};

TEST_P(PacedLine, UpgradeSucceedsWithRequestsLongerOnTheWireThanTheirTimeOuts) {
    constexpr int Baud = 2400;
    constexpr double BitsPerByte = 10;  // start, 8 data, stop
    constexpr double BitsPerMs = Baud / 1000.0;
    // One sector keeps the run short.
    test::TempHexFile hexFile;
    Sample s = *GetParam().sample;
    s.hexPath = hexFile.write(s.userOffset, test::programBytes(512));
    s.sectors = 1;
    PathRow row = GetParam();
    row.sample = &s;

    FlasherSession session({"--family", s.chip, "--mode", simMode(row), "--baud", std::to_string(Baud), "--pace",
                            "both"});
    ASSERT_TRUE(session.ready()) << session.error();
    std::vector<std::string> args = typeArguments(row);
    args.insert(args.end(), {"--baud", std::to_string(Baud), s.hexPath});
    const ProcessResult run = session.flash(args);
    // The last request awaits no reply: the module logs it once its wire time
    // has passed, and a stop before then would cut that short.
    const size_t requestCount = expectedRequests(row).size();
    for (int wait = 0; wait < 100 && session.sim().requests().size() < requestCount; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(session.sim().stop());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(transcript(run.out), expectedTranscript(row));

    // Between two arrivals lie at least the previous reply's and this request's wire times.
    const std::vector<RequestRecord> requests = session.sim().requests();
    EXPECT_EQ(describe(requests), expectedRequests(row));
    for (size_t i = 1; i < requests.size(); ++i) {
        const double wireMs = (requests[i - 1].replyBytes + requests[i].requestBytes) * BitsPerByte / BitsPerMs;
        EXPECT_GE(requests[i].timeMs - requests[i - 1].timeMs, wireMs - 0.5) << "request " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBootloadType, PacedLine,
                         ::testing::Values(PathRow{"Local", &sample251(), Path::Local, 0},
                                           PathRow{"RemoteWithoutBackup", &sample251(), Path::NoBackup, 0},
                                           PathRow{"RemoteWithBackup", &sample251(), Path::Backup, 512}),
                         [](const ::testing::TestParamInfo<PathRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq::testing
