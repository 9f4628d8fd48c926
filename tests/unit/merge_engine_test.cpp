#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "merge/merge_engine.h"
#include "support/source_tree.h"
#include "unit/merge_test_files.h"
#include "upgrade/upgrade_settings.h"

namespace kq {
namespace {

using namespace kq::testing;

// Collects every message the engine shows.
struct MessageLog {
    std::vector<std::string> shown;
    ShowMessage sink() {
        return [this](std::string_view text) { shown.emplace_back(text); };
    }
};

const std::string BootMissing = "bootload 引导文件文件不存在 !";
const std::string BootDamaged = "bootload 引导文件文件异常!";
const std::string UserMissing = "用户程序文件文件不存在 !";
const std::string UserDamaged = "用户程序文件文件异常!";

// ---- File test ------------------------------------------------------------

TEST(MergeFileTest, SizeBoundsAndEndRecord) {
    struct Row {
        const char* name;
        std::string content;
        bool passes;
    };
    const std::string small = hexText({dataRecord(0, 4)});
    const std::vector<Row> rows = {
        {"exactly 100 bytes", paddedTo(small, 100), true},
        {"99 bytes", paddedTo(small, 99), false},
        {"16 MiB - 1 bytes", paddedTo(small, 16777215), true},
        {"16 MiB", paddedTo(small, 16777216), false},
        {"end record ended by LF alone", paddedTo(dataRecord(0, 4) + ":00000001FF\n", 200), true},
        {"end record ended by CR CR LF", paddedTo(dataRecord(0, 4) + ":00000001FF\r\r\n", 200), false},
        {"end record in lower case", paddedTo(dataRecord(0, 4) + ":00000001ff\r\n", 200), false},
        {"blank line after the end record", paddedTo(small + "\r\n", 200), false},
        {"no end record at all", paddedTo(dataRecord(0, 4) + dataRecord(4, 4), 200), false},
        {"end record not at the start of its line", paddedTo(dataRecord(0, 4) + "; end:00000001FF\r\n", 200), false},
        {"end record after a lone CR", paddedTo(dataRecord(0, 4) + "; end\r:00000001FF\r\n", 200), true},
    };
    TempFolder folder;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeBytes(folder.file("in.hex"), row.content);
        MessageLog log;
        EXPECT_EQ(verifyHexFile(folder.file("in.hex"), UserFileLabel, log.sink()), row.passes);
        if (row.passes)
            EXPECT_TRUE(log.shown.empty());
        else
            EXPECT_EQ(log.shown, std::vector<std::string>{UserDamaged});
    }
}

TEST(MergeFileTest, FileThatCannotBeOpenedIsReportedMissing) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("folder.hex"));
    for (const std::string& path : {folder.file("absent.hex"), folder.file("folder.hex"), std::string()}) {
        SCOPED_TRACE(path);
        MessageLog log;
        EXPECT_FALSE(verifyHexFile(path, BootFileLabel, log.sink()));
        EXPECT_EQ(log.shown, std::vector<std::string>{BootMissing});
    }
}

// ---- Record scan ----------------------------------------------------------

struct ScanRow {
    const char* name;
    int chipFamily;
    std::string boot;
    std::string user;
    std::string message;  // "" = both pass
};

void runScanRows(const std::vector<ScanRow>& rows) {
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MessageLog log;
        EXPECT_EQ(scanHexPair(row.boot, row.user, row.chipFamily, log.sink()), row.message.empty());
        if (row.message.empty())
            EXPECT_TRUE(log.shown.empty());
        else
            EXPECT_EQ(log.shown, std::vector<std::string>{row.message});
    }
}

const std::string Overlap = "用户程序与引导程序存在地址重叠";

TEST(MergeScan, OverlapAgainstBootEnd) {
    const std::string bootAt0 = hexText({dataRecord(0x0000, 16)});  // bootEnd 0x10
    runScanRows({
        {"no boot data: any user record passes", Kq581x, hexText({}), hexText({dataRecord(0x0000, 16)}), ""},
        {"user starting at bootEnd passes", Kq581x, bootAt0, hexText({dataRecord(0x0010, 16)}), ""},
        {"user starting at bootEnd - 1 overlaps", Kq581x, bootAt0, hexText({dataRecord(0x000F, 1)}), Overlap},
        {"user below the boot's lowest address overlaps", Kq58xx, hexText({dataRecord(0x1000, 16)}),
         hexText({dataRecord(0x0000, 16)}), Overlap},
        {"user in a gap between boot records overlaps", Kq58xx,
         hexText({dataRecord(0x0000, 16), dataRecord(0x2000, 16)}), hexText({dataRecord(0x1000, 16)}), Overlap},
        {"bootEnd follows the highest record, not the last", Kq58xx,
         hexText({dataRecord(0x2000, 16), dataRecord(0x0000, 16)}), hexText({dataRecord(0x2008, 1)}), Overlap},
        {"empty boot record does not move bootEnd", Kq581x, hexText({dataRecord(0x0000, 16), dataRecord(0x4000, 0)}),
         hexText({dataRecord(0x0010, 16)}), ""},
        {"empty user record is still tested for overlap", Kq581x, bootAt0, hexText({dataRecord(0x0004, 0)}),
         Overlap},
        {"overlap is tested before the user limit", Kq581x, hexText({dataRecord(0xFDFF, 255)}),
         hexText({dataRecord(0xFE00, 1)}), Overlap},
    });
}

TEST(MergeScan, Kq581xLimitAndMirroredUpperAddress) {
    runScanRows({
        {"boot record at 0xFDFF with 16 bytes passes", Kq581x, hexText({dataRecord(0xFDFF, 16)}), hexText({}), ""},
        {"boot record at 0xFE00 fails", Kq581x, hexText({dataRecord(0xFE00, 1)}), hexText({}), "引导程序超63.5K!"},
        {"user record at 0xFE00 fails", Kq581x, hexText({}), hexText({dataRecord(0xFE00, 1)}), "用户程序超63.5K!"},
        {"lower-case digits are read", Kq581x, hexText({":01fe00000001\r\n"}), hexText({}), "引导程序超63.5K!"},
        {"upper address 0x00FF reads as 0", Kq581x,
         hexText({upperAddressRecord(0x00FF), dataRecord(0x2000, 16)}),
         hexText({upperAddressRecord(0x00FF), dataRecord(0xFDF0, 16)}), ""},
        {"upper address 0x00FF: a record under the boot still overlaps", Kq581x,
         hexText({upperAddressRecord(0x00FF), dataRecord(0x2000, 16)}),
         hexText({upperAddressRecord(0x00FF), dataRecord(0x200F, 1)}), Overlap},
        {"upper address 0x0001 puts every record over the limit", Kq581x,
         hexText({upperAddressRecord(0x0001), dataRecord(0x0000, 1)}), hexText({}), "引导程序超63.5K!"},
        {"any family other than 0 counts as KQ58XX", 7, hexText({dataRecord(0xFE00, 16)}), hexText({}), ""},
    });
}

TEST(MergeScan, Kq58xxLimitAndUpperAddress) {
    runScanRows({
        {"upper address 0x00FF is used unchanged", Kq58xx,
         hexText({upperAddressRecord(0x00FF), dataRecord(0x2000, 16)}), hexText({}), "引导程序超512K!"},
        {"upper address 0x0800 fails at the first data record", Kq58xx, hexText({}),
         hexText({upperAddressRecord(0x0800), dataRecord(0x0000, 16)}), "用户程序超512K!"},
        {"record at 0x7FFF0 passes", Kq58xx, hexText({upperAddressRecord(0x0007), dataRecord(0xFFF0, 16)}),
         hexText({}), ""},
        {"user record at 0x80000 fails", Kq58xx, hexText({}),
         hexText({upperAddressRecord(0x0008), dataRecord(0x0000, 1)}), "用户程序超512K!"},
        {"upper address carried from boot into user: above bootEnd", Kq58xx,
         hexText({upperAddressRecord(0x0001), dataRecord(0x0000, 16)}), hexText({dataRecord(0x0100, 16)}), ""},
        {"upper address carried from boot into user: below bootEnd", Kq58xx,
         hexText({upperAddressRecord(0x0001), dataRecord(0x0000, 16)}), hexText({dataRecord(0x0008, 16)}),
         Overlap},
        {"segment base carried from boot into user", Kq58xx,
         hexText({hexRecord(0x02, 0, std::string("\x10\x00", 2)), dataRecord(0x0000, 16)}),
         hexText({dataRecord(0x0008, 16)}), Overlap},
        {"boot limit is reported before anything about the user", Kq58xx,
         hexText({upperAddressRecord(0x0009), dataRecord(0x0000, 1)}), hexText({dataRecord(0x0000, 1)}),
         "引导程序超512K!"},
    });
}

TEST(MergeScan, EndRecordLineEndsTheScan) {
    const std::string bad = dataRecord(0xFE00, 16);
    runScanRows({
        {"lines after the end record are not scanned", Kq581x, hexText({dataRecord(0, 16)}) + bad, hexText({}),
         ""},
        {"a lower-case end record does not end the scan", Kq581x,
         hexText({dataRecord(0, 16), ":00000001ff\r\n", bad}), hexText({}), "引导程序超63.5K!"},
        {"an end record with trailing blanks does not end the scan", Kq581x,
         hexText({":00000001FF \r\n", bad}), hexText({}), "引导程序超63.5K!"},
        {"an end record ended by LF alone still ends it", Kq581x, ":00000001FF\n" + bad, hexText({}), ""},
        {"lines not starting with ':' are skipped", Kq581x, hexText({"garbage\r\n", "\r\n", " :01FE0000FF\r\n"}),
         hexText({}), ""},
    });
}

// Every record read follows the HEX loader's rule, so that the merged file
// loads: a record it would refuse ends the merge with the file's label and
// the line's number (counted from 1, skipped lines included).
TEST(MergeScan, RecordThatTheLoaderWouldRefuseIsAFormatError) {
    const std::string good = dataRecord(0x0100, 4);  // ":04010000" + 8 data digits + checksum, CR LF
    const auto broken = [&](std::size_t at, char ch) { return std::string(good).replace(at, 1, 1, ch); };
    const std::string badSum = broken(17, good[17] == '0' ? '1' : '0');
    const std::string boot = hexText({dataRecord(0x0000, 16)});
    const std::string user = hexText({dataRecord(0x1000, 16)});
    std::string crEnded = dataRecord(0x1000, 1);
    crEnded.replace(crEnded.size() - 2, 2, "\r");
    runScanRows({
        {"wrong checksum in the user", Kq58xx, boot, hexText({dataRecord(0x1000, 16), badSum}),
         "用户程序文件第2行格式错误!"},
        {"non-hex character in the boot", Kq58xx, hexText({"; boot\r\n", broken(11, 'x')}), user,
         "bootload 引导文件第2行格式错误!"},
        {"length byte promising more data", Kq58xx, boot, hexText({":08010000112233444D\r\n"}),
         "用户程序文件第1行格式错误!"},
        {"length byte promising less data", Kq58xx, boot, hexText({":020100001122334453\r\n"}),
         "用户程序文件第1行格式错误!"},
        {"a line of text after the colon", Kq581x, hexText({dataRecord(0, 1), ":version 1.2\r\n"}), user,
         "bootload 引导文件第2行格式错误!"},
        {"a line longer than the loader reads", Kq581x, boot, std::string(1025, ';') + "\r\n" + user,
         "用户程序文件第1行格式错误!"},
        {"lone CR ends a line as for the loader", Kq581x, boot, crEnded + badSum + user,
         "用户程序文件第2行格式错误!"},
        {"upper-address record without its value", Kq58xx, boot, hexText({":0000000400FC\r\n"}),
         "用户程序文件第1行格式错误!"},
        {"segment record with one byte of value", Kq58xx, hexText({":0100000210ED\r\n"}), user,
         "bootload 引导文件第1行格式错误!"},
        {"the boot is looked at before the user", Kq58xx, hexText({badSum}), hexText({badSum}),
         "bootload 引导文件第1行格式错误!"},
        {"blanks after the checksum are allowed", Kq58xx, hexText({dataRecord(0, 16).insert(43, " \t ")}),
         hexText({good.substr(0, 19) + "  \r\n"}), ""},
        {"a text line without a colon is skipped", Kq58xx, hexText({"version 1.2\r\n", dataRecord(0, 16)}), user,
         ""},
        {"nothing after the end record is looked at", Kq581x, hexText({}) + badSum + ":00\r\n", user, ""},
    });
}

// ---- Whole merge ----------------------------------------------------------

class MergeFiles : public ::testing::Test {
protected:
    MergeHost host() {
        return {log.sink(), toolFolder};
    }
    std::string put(const char* name, const std::string& bytes) {
        writeBytes(inputs.file(name), bytes);
        return inputs.file(name);
    }
    std::string mergedPath() const { return tool.file(MergedFileName); }

    TempFolder inputs;
    TempFolder tool;
    std::string toolFolder = tool.path();
    MessageLog log;
};

TEST_F(MergeFiles, MergedFileIsBootWithoutEndRecordThenWholeUser) {
    // Records after the boot's first end record are copied though not scanned.
    const std::string boot = paddedTo(
        hexText({upperAddressRecord(0x0000), dataRecord(0x0000, 16)}) + hexText({dataRecord(0xFE00, 16)}), 300);
    const std::string user = paddedTo(hexText({dataRecord(0x1000, 16), hexRecord(0x05, 0, "\0\0\x10\0")}), 120);
    const std::string bootPath = put("boot.hex", boot);
    const std::string userPath = put("user.hex", user);

    ASSERT_TRUE(mergeHexFiles(bootPath, userPath, Kq581x, host()));
    EXPECT_EQ(log.shown, std::vector<std::string>{"成功合并!"});
    const std::string merged = readBytes(mergedPath());
    EXPECT_EQ(merged.size(), boot.size() - 13 + user.size());
    EXPECT_EQ(merged, boot.substr(0, boot.size() - 13) + user);
    EXPECT_TRUE(merged.starts_with(boot.substr(0, boot.find('\n') + 1)));
    EXPECT_TRUE(merged.ends_with(":00000001FF\r\n"));
    EXPECT_EQ(std::filesystem::directory_iterator(tool.path())->path().filename().string(), MergedFileName);
}

// Files made by srec_cat: LF line ends, data placed by segment address records.
TEST_F(MergeFiles, SrecCatFilesWithLfEndsAndSegmentAddresses) {
    const std::string fixtures = source_tree::sourcePath("tests/fixtures/hex/");
    const std::string boot = readBytes(fixtures + "boot_segment_lf.hex");  // 0x00000..0x003FF
    ASSERT_TRUE(boot.ends_with("\n:00000001FF\n"));

    // Placed at 0x10100 by segment 0x1000: above the bootloader.
    ASSERT_TRUE(mergeHexFiles(fixtures + "boot_segment_lf.hex", fixtures + "user_segment_lf.hex", Kq58xx, host()));
    EXPECT_EQ(log.shown, std::vector<std::string>{"成功合并!"});
    EXPECT_EQ(readBytes(mergedPath()), boot.substr(0, boot.size() - 12) + readBytes(fixtures + "user_segment_lf.hex"));

    // Placed at 0x98000 by segment 0x9000: past 512 KiB.
    log.shown.clear();
    EXPECT_FALSE(
        mergeHexFiles(fixtures + "boot_segment_lf.hex", fixtures + "user_segment_high_lf.hex", Kq58xx, host()));
    EXPECT_EQ(log.shown, std::vector<std::string>{"用户程序超512K!"});
}

TEST_F(MergeFiles, FailedTestStopsAndLeavesEarlierMergedFileAlone) {
    writeBytes(mergedPath(), "earlier merge");
    const std::string good = put("good.hex", paddedTo(hexText({dataRecord(0, 16)}), 100));
    const std::string over = put("over.hex", paddedTo(hexText({dataRecord(0xFE00, 16)}), 100));
    struct Row {
        const char* name;
        std::string boot, user;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"both missing: only the boot is reported", inputs.file("no1.hex"), inputs.file("no2.hex"), BootMissing},
        {"user missing", good, inputs.file("no.hex"), UserMissing},
        {"user damaged", good, put("short.hex", hexText({})), UserDamaged},
        {"user overlaps", good, good, Overlap},
        {"boot over the limit", over, good, "引导程序超63.5K!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        log.shown.clear();
        EXPECT_FALSE(mergeHexFiles(row.boot, row.user, Kq581x, host()));
        EXPECT_EQ(log.shown, std::vector<std::string>{row.message});
        EXPECT_EQ(readBytes(mergedPath()), "earlier merge");
    }
}

TEST_F(MergeFiles, UnwritableOutputIsReportedAndNoSuccessShown) {
    const std::string boot = put("boot.hex", paddedTo(hexText({dataRecord(0, 16)}), 100));
    const std::string user = put("user.hex", paddedTo(hexText({dataRecord(0x100, 16)}), 100));

    toolFolder = tool.file("missing-folder/");
    EXPECT_FALSE(mergeHexFiles(boot, user, Kq58xx, host()));
    EXPECT_EQ(log.shown, std::vector<std::string>{"合并文件写入失败!"});

    // A folder in the way of the merged file: refused, and nothing left behind.
    toolFolder = tool.path();
    std::filesystem::create_directory(test::utf8Path(mergedPath()));
    log.shown.clear();
    EXPECT_FALSE(mergeHexFiles(boot, user, Kq58xx, host()));
    EXPECT_EQ(log.shown, std::vector<std::string>{"合并文件写入失败!"});
    EXPECT_TRUE(std::filesystem::is_directory(test::utf8Path(mergedPath())));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tool.path()), {}), 1);
}

TEST_F(MergeFiles, InputNamingTheMergedFileItselfIsReadBeforeReplaced) {
    const std::string boot = paddedTo(hexText({dataRecord(0, 16)}), 100);
    const std::string user = paddedTo(hexText({dataRecord(0x100, 16)}), 150);
    const std::string bootPath = put("boot.hex", boot);
    writeBytes(mergedPath(), user);

    ASSERT_TRUE(mergeHexFiles(bootPath, mergedPath(), Kq581x, host()));
    EXPECT_EQ(readBytes(mergedPath()), boot.substr(0, boot.size() - 13) + user);
}

TEST_F(MergeFiles, WriteMergedFileRefusesUnreadableInputsWithoutTouchingOutput) {
    const std::string boot = put("boot.hex", paddedTo(hexText({dataRecord(0, 16)}), 100));
    const std::string out = inputs.file("out.hex");
    writeBytes(out, "kept");
    EXPECT_FALSE(writeMergedFile(boot, inputs.file("gone.hex"), out));
    EXPECT_FALSE(writeMergedFile(inputs.file("gone.hex"), boot, out));
    EXPECT_EQ(readBytes(out), "kept");
    ASSERT_TRUE(writeMergedFile(boot, boot, out));
    EXPECT_EQ(readBytes(out).size(), 187u);
}

}  // namespace
}  // namespace kq
