#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/build_folders.h"
#include "e2e/process_runner.h"
#include "e2e/tool_under_test.h"
#include "image/hex_image.h"
#include "support/utf8_path.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

const std::string DefaultOutput = "KQ58XX_bootload_合并.hex";

class HexspliceCli : public ::testing::Test {
protected:
    void SetUp() override {
        boot = hexFileOf("boot.hex", {dataRecord(0x0000, 16), dataRecord(0x0010, 16)}, 200);
        user = hexFileOf("user.hex", {dataRecord(0x1000, 16)}, 150);
        high = hexFileOf("high.hex", {dataRecord(0xFE00, 16)}, 100);
    }
    std::string hexFileOf(const char* name, std::initializer_list<std::string> records, std::size_t size) {
        writeBytes(work.file(name), paddedTo(hexText(records), size));
        return work.file(name);
    }
    ProcessResult run(const std::vector<std::string>& args) {
        return runTool(Tool::Merger, args, {work.path(), std::chrono::seconds(20)});
    }
    std::string expectedMerge(const std::string& bootPath, const std::string& userPath) const {
        const std::string b = readBytes(bootPath);
        return b.substr(0, b.size() - 13) + readBytes(userPath);
    }

    TempFolder work;
    std::string boot, user, high;
};

TEST_F(HexspliceCli, MergesIntoCurrentDirectoryByDefault) {
    const ProcessResult r = run({boot, user});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "成功合并! " + DefaultOutput + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readBytes(work.file(DefaultOutput)), expectedMerge(boot, user));
}

TEST_F(HexspliceCli, ChipTypeAndOutputOptions) {
    // 0xFE00 is over the 251 core's limit but well inside the ARM core's.
    const ProcessResult refused = run({"--chip", "251", boot, high});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "用户程序超63.5K!\n");
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(std::filesystem::exists(work.file(DefaultOutput)));

    const std::string out = work.file("合并 结果.hex");
    const ProcessResult merged = run({"--chip=arm", boot, high, "-o", out});
    EXPECT_EQ(merged.exitCode, 0);
    EXPECT_EQ(merged.out, "成功合并! " + out + "\n");
    EXPECT_EQ(readBytes(out), expectedMerge(boot, high));
}

TEST_F(HexspliceCli, RefusedFilesExitOneWithTheirMessage) {
    const std::string damaged = work.file("damaged.hex");
    writeBytes(damaged, paddedTo(dataRecord(0, 16) + ":00000001ff\r\n", 120));
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"boot missing", {work.file("none.hex"), user}, "bootload 引导文件文件不存在 !\n"},
        {"user damaged", {boot, damaged}, "用户程序文件文件异常!\n"},
        {"overlap", {user, boot}, "用户程序与引导程序存在地址重叠\n"},
        {"boot over 512K", {"--chip", "arm", hexFileOf("big.hex", {upperAddressRecord(8), dataRecord(0, 1)}, 100), user},
         "引导程序超512K!\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ProcessResult r = run(row.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, row.message);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(work.file(DefaultOutput)));
}

TEST_F(HexspliceCli, UsageErrorsExitTwoAndHelpExitsZero) {
    const std::vector<std::vector<std::string>> wrong = {
        {}, {boot}, {boot, user, user}, {"--chip", "8051", boot, user}, {"--chip"}, {boot, user, "-o"},
        {"--verbose", boot, user},
    };
    for (const auto& args : wrong) {
        const ProcessResult r = run(args);
        EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("Usage: hexsplice-cli"), std::string::npos);
    }
    const ProcessResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: hexsplice-cli [--chip 251|arm] BOOT.hex USER.hex [-o OUT]"));
    EXPECT_FALSE(std::filesystem::exists(work.file(DefaultOutput)));
}

// The merge would replace an input with the merged file: refused before
// anything is written, also when the output names the input by a hard link.
TEST_F(HexspliceCli, OutputThatIsAnInputExitsTwoAndWritesNothing) {
    const std::string link = work.file("link.hex");
    std::filesystem::create_hard_link(test::utf8Path(user), test::utf8Path(link));
    const std::string userBefore = readBytes(user);
    const ProcessResult r = run({boot, user, "-o", link});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "hexsplice-cli: the output " + link + " is the user-program file " + user +
                         " itself; choose another output file with -o\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(user), userBefore);
}

TEST_F(HexspliceCli, UnwritableOutputExitsThree) {
    const ProcessResult r = run({boot, user, "-o", work.file("no/such/folder.hex")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "合并文件写入失败!\n");
    EXPECT_EQ(r.out, "");
}

// The committed merge fixtures and the samples, copied into a folder with a
// Chinese name: each pair is merged (the bootloader without its end record,
// then the user file) or refused with its message. Under Wine the merged file
// is also compared with the Linux program's, byte for byte.
TEST(HexspliceFixtures, MergedAsTheLinuxProgramMergesThem) {
    struct Row {
        const char* boot;  // paths in the source tree
        const char* user;
        const char* chip;
        std::string refusal;  // "" for a merge
    };
    const std::vector<Row> rows = {
        {"tests/fixtures/hex/boot_segment_lf.hex", "tests/fixtures/hex/user_segment_lf.hex", "arm", ""},
        {"tests/fixtures/hex/boot_segment_lf.hex", "samples/demo_kq58xx.hex", "arm", ""},
        {"tests/fixtures/hex/boot_segment_lf.hex", "samples/demo_kq581x.hex", "251", ""},
        {"tests/fixtures/hex/boot_segment_lf.hex", "tests/fixtures/hex/user_segment_high_lf.hex", "arm",
         "用户程序超512K!\n"},
        {"tests/fixtures/hex/user_segment_lf.hex", "tests/fixtures/hex/boot_segment_lf.hex", "arm",
         "用户程序与引导程序存在地址重叠\n"},
    };
    const TempFolder work;
    const std::string folder = work.file("固件 合并/");
    std::filesystem::create_directory(test::utf8Path(folder));
    const std::string boot = folder + "引导.hex", user = folder + "用户.hex", out = folder + "合并结果.hex";
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.boot) + " + " + row.user);
        writeBytes(boot, readBytes(sourcePath(row.boot)));
        writeBytes(user, readBytes(sourcePath(row.user)));
        std::filesystem::remove(test::utf8Path(out));
        const ProcessResult r =
            runTool(Tool::Merger, {"--chip", row.chip, boot, user, "-o", out}, {work.path(), std::chrono::seconds(20)});
        ASSERT_TRUE(r.started);
        if (!row.refusal.empty()) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, row.refusal);
            EXPECT_FALSE(std::filesystem::exists(test::utf8Path(out)));
            continue;
        }
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "成功合并! " + out + "\n");
        const std::string bootText = readBytes(boot), merged = readBytes(out);
        EXPECT_EQ(merged, bootText.substr(0, bootText.rfind(":00000001FF")) + readBytes(user));
        // flashwright loads it, bootloader and user program, as its check does.
        const auto image = std::make_unique<FirmwareImage>();
        std::string refusal;
        HexLoadReport report;
        const HexLoadInputs inputs{out, "0", std::string_view(row.chip) == "251" ? Kq581x : Kq58xx, LocalUpgrade, 0};
        EXPECT_EQ(loadHexImage(inputs, *image, [&](std::string_view text) { refusal = text; }, &report), 0) << refusal;
        EXPECT_FALSE(report.endRecordMissing);
        if (underWine()) {
            const std::string linuxOut = work.file("linux.hex");
            const ProcessResult linux =
                runProcess(linuxProgram(Tool::Merger), {"--chip", row.chip, boot, user, "-o", linuxOut});
            EXPECT_EQ(linux.exitCode, 0) << linux.err;
            EXPECT_EQ(merged, readBytes(linuxOut)) << "the Windows program's merged file differs from the Linux one's";
        }
    }
}

TEST(ProcessRunner, TimeOutKillsAndMissingProgramIsReported) {
    const ProcessResult slow = runProcess("/bin/sleep", {"10"}, {"", std::chrono::milliseconds(200)});
    EXPECT_TRUE(slow.timedOut);
    EXPECT_EQ(slow.signal, SIGKILL);
    EXPECT_FALSE(runProcess("/no/such/program", {}).started);
    const ProcessResult shell = runProcess("/bin/sh", {"-c", "pwd; echo e >&2; exit 4"}, {"/tmp"});
    EXPECT_EQ(shell.out, "/tmp\n");
    EXPECT_EQ(shell.err, "e\n");
    EXPECT_EQ(shell.exitCode, 4);
}

}  // namespace
}  // namespace kq
