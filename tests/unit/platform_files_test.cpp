#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/line_file.h"
#include "platform/file_time.h"
#include "platform/gb_text.h"
#include "platform/same_file.h"
#include "platform/whole_file.h"
#include "support/fixed_local_time.h"
#include "support/utf8_path.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

// ---- GB18030 text ---------------------------------------------------------

TEST(GbText, RoundTripsAndKnownBytes) {
    struct Row {
        const char* name;
        std::string utf8;
        std::string gb;
    };
    const std::vector<Row> rows = {
        {"ASCII unchanged", "/home/a b/boot.hex", "/home/a b/boot.hex"},
        {"GBK characters", "路径", "\xC2\xB7\xBE\xB6"},
        {"outside GBK: four-byte sequence", "\xF0\x9F\x98\x80", "\x94\x39\xFC\x36"},
        {"Chinese path", "/工具/KQ58XX_bootload_合并.hex", "/\xB9\xA4\xBE\xDF/KQ58XX_bootload_\xBA\xCF\xB2\xA2.hex"},
        {"empty", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(utf8ToGb18030(row.utf8), row.gb);
        EXPECT_EQ(gb18030ToUtf8(row.gb), row.utf8);
    }
}

TEST(GbText, InvalidInputIsRefusedOrReplaced) {
    EXPECT_EQ(utf8ToGb18030("ok\xFF"), std::nullopt);
    EXPECT_EQ(utf8ToGb18030("\xE8\xB7"), std::nullopt);  // truncated sequence
    EXPECT_EQ(gb18030ToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(gb18030ToUtf8("\xC2\xB7\xBE"), "路\xEF\xBF\xBD");  // cut before its last byte
}

// ---- CR CR LF line files --------------------------------------------------

TEST(LineFile, EncodesEveryValueWithCrCrLf) {
    EXPECT_EQ(encodeLineFile({"路径", "", "a"}), "\xC2\xB7\xBE\xB6\r\r\n\r\r\na\r\r\n");
    EXPECT_EQ(encodeLineFile({"one\ntwo"}), std::nullopt);
}

TEST(LineFile, DecodingRules) {
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<std::string> values;
    };
    const std::vector<Row> rows = {
        {"own lines", "abc\r\r\n\r\r\nxy\r\r\n", {"abc", "", "xy"}},
        {"CR LF keeps every character", "abc\r\ndef\r\n", {"abc", "def", ""}},
        {"LF keeps every character", "abc\ndef\n", {"abc", "def", ""}},
        {"Chinese value keeps its last character", "\xC2\xB7\xBE\xB6\r\n", {"路径", "", ""}},
        {"empty lines stay empty", "\r\n\n\r\r\n", {"", "", ""}},
        {"missing lines are empty", "abc\r\r\n", {"abc", "", ""}},
        {"empty file", "", {"", "", ""}},
        {"no final LF", "abc\r\r\nxyz", {"abc", "xyz", ""}},
        {"no final LF after CRs", "abc\r\r\nxy\r\r", {"abc", "xy", ""}},
        {"three CRs before LF keep one", "abc\r\r\r\n\r\r\r\n", {"abc\r", "\r", ""}},
        {"extra lines are ignored", "a\r\r\nb\r\r\nc\r\r\nd\r\r\n", {"a", "b", "c"}},
        {"CR inside a value is kept", "a\rb\r\r\n", {"a\rb", "", ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(decodeLineFile(row.bytes, 3), row.values);
    }
}

TEST(LineFile, WriteReadRoundTripOnDisk) {
    TempFolder folder;
    const std::string path = folder.file("路径.txt");
    const std::vector<std::string> values = {"/数据/引导.hex", "最近修改时间:2024-03-05 09:07:02", "", "x"};
    ASSERT_TRUE(writeLineFile(path, values));
    EXPECT_EQ(readBytes(path), *encodeLineFile(values));
    EXPECT_EQ(readLineFile(path, 4), values);
    EXPECT_EQ(readLineFile(folder.file("absent.txt"), 4), std::nullopt);
    // A value that cannot be stored leaves the file as it was.
    EXPECT_FALSE(writeLineFile(path, {"a\nb"}));
    EXPECT_EQ(readLineFile(path, 4), values);
}

// ---- Modification time text -----------------------------------------------

class FileTime : public test::FixedLocalTime {
protected:
    static std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
        using namespace std::chrono;
        const sys_days date = std::chrono::year(year) / month / day;
        return system_clock::to_time_t(date + hours(hour) + minutes(minute) + seconds(second));
    }
};

TEST_F(FileTime, FormatsLocalTimeWithLeadingZeros) {
    EXPECT_EQ(formatModifiedTime(utc(2024, 3, 5, 1, 7, 2)), "最近修改时间:2024-03-05 09:07:02");
    // Late on 31 December locally while it is still afternoon in UTC.
    EXPECT_EQ(formatModifiedTime(utc(2024, 12, 31, 15, 59, 58)), "最近修改时间:2024-12-31 23:59:58");
    // Early on 1 January locally while it is still the old year in UTC.
    EXPECT_EQ(formatModifiedTime(utc(2025, 12, 31, 16, 0, 0)), "最近修改时间:2026-01-01 00:00:00");
}

TEST_F(FileTime, ReadsTheFilesModificationTimeOrReportsNotFound) {
    TempFolder folder;
    const std::string path = folder.file("引导.hex");
    writeBytes(path, "x");
    const std::time_t when = utc(2023, 7, 9, 20, 30, 45);
    std::filesystem::last_write_time(test::utf8Path(path),
                                     std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(when)));

    EXPECT_EQ(modifiedTimeText(path), "最近修改时间:2023-07-10 04:30:45");
    EXPECT_TRUE(modifiedTimeText(folder.path()).has_value());
    EXPECT_EQ(modifiedTimeText(folder.file("absent.hex")), std::nullopt);
    EXPECT_EQ(modifiedTimeText(std::string()), std::nullopt);
}

// ---- Whole files ----------------------------------------------------------

TEST(WholeFiles, ReadStatuses) {
    TempFolder folder;
    writeBytes(folder.file("ten"), "0123456789");
    std::filesystem::create_directory(folder.file("dir"));

    const WholeFile ten = readWholeFile(folder.file("ten"), 10);
    EXPECT_EQ(ten.status, WholeFile::Read);
    EXPECT_EQ(ten.bytes, "0123456789");
    EXPECT_EQ(readWholeFile(folder.file("ten"), 9).status, WholeFile::TooLarge);
    EXPECT_EQ(readWholeFile(folder.file("absent"), 10).status, WholeFile::CannotOpen);
    EXPECT_EQ(readWholeFile(folder.file("dir"), 10).status, WholeFile::CannotOpen);
}

TEST(WholeFiles, AtomicWriteReplacesWholeOrNothing) {
    TempFolder folder;
    const std::string path = folder.file("out.txt");
    writeBytes(path, "an older and longer content");

    ASSERT_TRUE(writeFileAtomically(path, "new"));
    EXPECT_EQ(readBytes(path), "new");

    // Failures leave nothing behind: a missing folder, a folder in the way.
    EXPECT_FALSE(writeFileAtomically(folder.file("no/out.txt"), "x"));
    std::filesystem::create_directory(folder.file("dir"));
    EXPECT_FALSE(writeFileAtomically(folder.file("dir"), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("dir")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

// ---- Same file -------------------------------------------------------------

TEST(SameFile, OneFileHoweverItIsNamedAndNothingElse) {
    TempFolder folder;
    const std::string file = folder.file("用户.hex"), link = folder.file("link.hex"), copy = folder.file("copy.hex");
    writeBytes(file, "bytes");
    writeBytes(copy, "bytes");
    std::filesystem::create_hard_link(test::utf8Path(file), test::utf8Path(link));
    const struct {
        const char* name;
        std::string first, second;
        bool same;
    } rows[] = {
        {"the same path", file, file, true},
        {"another spelling", file, folder.file("./用户.hex"), true},
        {"a hard link", link, file, true},
        {"a copy with the same bytes", copy, file, false},
        {"a missing file and itself", folder.file("none.hex"), folder.file("none.hex"), false},
        {"a missing file and a file", folder.file("none.hex"), file, false},
        {"an empty path", "", file, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sameFile(row.first, row.second), row.same);
        EXPECT_EQ(sameFile(row.second, row.first), row.same);
    }
}

}  // namespace
}  // namespace kq
