// The files the upgrade window remembers between runs: the parameter record,
// the last upgrade file, the saved logs, and the two helpers beneath them
// (overwriting from the first byte, the line-end rule of the path files).
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/line_file.h"
#include "platform/file_time.h"
#include "platform/gb_text.h"
#include "platform/whole_file.h"
#include "support/fixed_local_time.h"
#include "tool_files/last_path_file.h"
#include "tool_files/parameter_file.h"
#include "tool_files/saved_log_file.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

std::string gb(std::string_view utf8) { return *utf8ToGb18030(utf8); }

// The window's values at first start, with no file chosen and port item 0:
// the record's own defaults.
ParameterRecord initialRecord() { return {}; }

const std::string InitialBytes = std::string("#####AAAAAAAAAAAA##1000##12000##3##7##0##56##0##0##0#") + '\0';

// Twelve fields with the given text in the first and numbers in the last seven.
std::string recordBytes(std::string_view first, std::string_view number = "5") {
    std::string text = "#" + std::string(first) + "##t##a##u##g#";
    for (int i = 0; i < 7; ++i) text += "#" + std::string(number) + "#";
    return text;
}

void expectSameRecord(const ParameterRecord& a, const ParameterRecord& b) {
    EXPECT_EQ(a.settings.hexPath, b.settings.hexPath);
    EXPECT_EQ(a.hexFileTimeText, b.hexFileTimeText);
    EXPECT_EQ(a.settings.moduleAddress, b.settings.moduleAddress);
    EXPECT_EQ(a.settings.userOffsetHex, b.settings.userOffsetHex);
    EXPECT_EQ(a.settings.upgradeOffsetHex, b.settings.upgradeOffsetHex);
    EXPECT_EQ(a.settings.frameDataLength, b.settings.frameDataLength);
    EXPECT_EQ(a.settings.baudRate, b.settings.baudRate);
    EXPECT_EQ(a.settings.parity, b.settings.parity);
    EXPECT_EQ(a.settings.upgradeAreaKiB, b.settings.upgradeAreaKiB);
    EXPECT_EQ(a.settings.chipFamily, b.settings.chipFamily);
    EXPECT_EQ(a.settings.bootloadType, b.settings.bootloadType);
    EXPECT_EQ(a.savedPortIndex, b.savedPortIndex);
}

using test::FixedLocalTime;

// ---- Parameter record ------------------------------------------------------

TEST(ParameterRecordBytes, InitialValuesRoundTripByteForByte) {
    EXPECT_EQ(encodeParameterBytes(initialRecord()), InitialBytes);
    const auto parsed = parseParameterBytes(InitialBytes);
    ASSERT_TRUE(parsed.has_value());
    expectSameRecord(*parsed, initialRecord());
}

TEST(ParameterRecordBytes, WhichTextsHoldARecord) {
    const std::string field999 = std::string(999, 'p');
    // 499 Chinese characters (two bytes each in GB18030) and one letter: 999 bytes on disk.
    std::string chinese999;
    for (int i = 0; i < 499; ++i) chinese999 += "路";
    chinese999 += "x";
    struct Row {
        const char* name;
        std::string bytes;
        std::optional<std::string> hexPath;  // nullopt: no record
    };
    const std::vector<Row> rows = {
        {"two fields only", "#a##b#", std::nullopt},
        {"eleven fields", "#a##b##c##d##e##1##2##3##4##5##6#", std::nullopt},
        {"twelfth field not closed", "#a##b##c##d##e##1##2##3##4##5##6##7", std::nullopt},
        {"empty", "", std::nullopt},
        {"no marks", "just text", std::nullopt},
        {"field of 999 bytes", recordBytes(field999), field999},
        {"field of 1000 bytes", recordBytes(field999 + "p"), std::nullopt},
        {"999 bytes of Chinese on disk", recordBytes(gb(chinese999)), chinese999},
        {"1000 bytes of Chinese on disk", recordBytes(gb(chinese999 + "x")), std::nullopt},
        {"characters between fields ignored", "#p# junk #t##a#\r\n#u##g##5##5##5##5##5##5##5#", "p"},
        {"text after the twelfth field ignored", recordBytes("p") + "#extra##more", "p"},
        {"an unclosed field after the twelfth ignored", recordBytes("p") + "#", "p"},
        {"the NUL ends the text", std::string("#p##t##a#") + '\0' + "#u##g##5##5##5##5##5##5##5#",
         std::nullopt},
        {"a tail behind the NUL is not read", recordBytes("new") + '\0' + "#old##t#", "new"},
        {"a damaged byte reads as a replacement character", recordBytes("a\xFF"), "a\xEF\xBF\xBD"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto record = parseParameterBytes(row.bytes);
        ASSERT_EQ(record.has_value(), row.hexPath.has_value());
        if (record) {
            EXPECT_EQ(record->settings.hexPath, *row.hexPath);
        }
    }
}

TEST(ParameterRecordBytes, NumbersReadAsALeadingDecimalNumber) {
    struct Row {
        const char* text;
        int value;
    };
    const std::vector<Row> rows = {
        {"0", 0},
        {"31", 31},
        {" 12", 12},
        {"\t 7", 7},
        {"-3", -3},
        {"+4", 4},
        {"x", 0},
        {"", 0},
        {"-", 0},
        {"12abc", 12},
        {"0012", 12},
        {"1 2", 1},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.text + "\"");
        const auto record = parseParameterBytes(recordBytes("p", row.text));
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->settings.frameDataLength, row.value);
        EXPECT_EQ(record->savedPortIndex, row.value);
    }
}

TEST(ParameterRecordBytes, FieldsLandInTheirValues) {
    const auto record = parseParameterBytes("#p##t##a##u##g##1##2##3##4##5##6##7#");
    ASSERT_TRUE(record.has_value());
    ParameterRecord expected;
    UpgradeSettings& s = expected.settings;
    s.hexPath = "p";
    expected.hexFileTimeText = "t";
    s.moduleAddress = "a";
    s.userOffsetHex = "u";
    s.upgradeOffsetHex = "g";
    s.frameDataLength = 1;
    s.baudRate = 2;
    s.parity = 3;
    s.upgradeAreaKiB = 4;
    s.chipFamily = 5;
    s.bootloadType = 6;
    expected.savedPortIndex = 7;
    expectSameRecord(*record, expected);
}

TEST(ParameterRecordBytes, RecordsThatCouldNotBeReadBackAreRefused) {
    const std::string chinese500 = [] {
        std::string s;
        for (int i = 0; i < 500; ++i) s += "路";
        return s;
    }();
    using Change = void (*)(ParameterRecord&, const std::string&);
    struct Row {
        const char* name;
        Change change;
        bool accepted;
    };
    const Change longOffset = [](ParameterRecord& r, const std::string& long500) {
        r.settings.upgradeOffsetHex = long500;
    };
    const std::vector<Row> rows = {
        {"'#' in the path", [](ParameterRecord& r, const std::string&) { r.settings.hexPath = "/a#b.hex"; }, false},
        {"'#' in the address", [](ParameterRecord& r, const std::string&) { r.settings.moduleAddress = "#"; }, false},
        {"NUL in a text",
         [](ParameterRecord& r, const std::string&) { r.settings.userOffsetHex = std::string("1\0", 2); }, false},
        {"invalid UTF-8", [](ParameterRecord& r, const std::string&) { r.hexFileTimeText = "\xFF"; }, false},
        {"999 bytes", [](ParameterRecord& r, const std::string&) { r.settings.hexPath = std::string(999, 'p'); },
         true},
        {"1000 bytes", [](ParameterRecord& r, const std::string&) { r.settings.hexPath = std::string(1000, 'p'); },
         false},
        {"500 Chinese characters are 1000 bytes on disk", longOffset, false},
        {"negative numbers", [](ParameterRecord& r, const std::string&) { r.savedPortIndex = -1; }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ParameterRecord record = initialRecord();
        row.change(record, chinese500);
        const auto bytes = encodeParameterBytes(record);
        ASSERT_EQ(bytes.has_value(), row.accepted);
        if (bytes) {
            const auto back = parseParameterBytes(*bytes);
            ASSERT_TRUE(back.has_value());
            expectSameRecord(*back, record);
        }
    }
}

TEST(ParameterFileOnDisk, ChineseTextsAreGb18030OnDiskAndUtf8InMemory) {
    TempFolder tool;
    const std::string path = parameterFilePath(tool.path());
    EXPECT_EQ(path, tool.path() + "参数配置.txt");
    ParameterRecord record = initialRecord();
    record.settings.hexPath = "/工具/升级 程序.hex";
    record.hexFileTimeText = "最近修改时间:2026-03-07 08:05:09";
    record.savedPortIndex = 12;
    ASSERT_TRUE(writeParameterFile(path, record));

    const std::string onDisk = readBytes(path);
    EXPECT_EQ(onDisk, gb("#/工具/升级 程序.hex##最近修改时间:2026-03-07 08:05:09##AAAAAAAAAAAA##1000##12000#"
                         "#3##7##0##56##0##0##12#") +
                          '\0');
    const auto back = readParameterFile(path);
    ASSERT_TRUE(back.has_value());
    expectSameRecord(*back, record);
}

TEST(ParameterFileOnDisk, AShorterSaveLeavesTheOlderTailBehindItsNul) {
    TempFolder tool;
    const std::string path = parameterFilePath(tool.path());
    ParameterRecord longer = initialRecord();
    longer.settings.userOffsetHex = "12345678";
    longer.settings.hexPath = "/a/long/path/to/the/program.hex";
    ASSERT_TRUE(writeParameterFile(path, longer));
    const std::string first = readBytes(path);

    ParameterRecord shorter = initialRecord();
    shorter.settings.chipFamily = 1;
    shorter.settings.userOffsetHex = "0";
    const std::string second = *encodeParameterBytes(shorter);
    ASSERT_LT(second.size(), first.size());
    ASSERT_TRUE(writeParameterFile(path, shorter));

    EXPECT_EQ(readBytes(path), second + first.substr(second.size()));
    const auto back = readParameterFile(path);
    ASSERT_TRUE(back.has_value());
    expectSameRecord(*back, shorter);
}

TEST(ParameterFileOnDisk, ASaveOverAnOversizedFileIsReadBack) {
    // A save never shortens the file, so a file grown large by anything else
    // keeps its size: the record at its start must still be read.
    TempFolder tool;
    const std::string path = parameterFilePath(tool.path());
    writeBytes(path, std::string(200 * 1024, 'z'));
    ParameterRecord record = initialRecord();
    record.savedPortIndex = 5;
    ASSERT_TRUE(writeParameterFile(path, record));
    EXPECT_EQ(readBytes(path).size(), 200u * 1024);
    const auto back = readParameterFile(path);
    ASSERT_TRUE(back.has_value());
    expectSameRecord(*back, record);
}

TEST(ParameterFileOnDisk, UnusableFilesGiveNoRecordAndAreNotChanged) {
    TempFolder tool;
    struct Row {
        const char* name;
        std::optional<std::string> bytes;  // nullopt: no file
    };
    const std::vector<Row> rows = {
        {"missing", std::nullopt},
        {"empty", ""},
        {"one byte", "#"},
        {"two fields", "#a##b#"},
        {"a NUL first", '\0' + recordBytes("p")},
        {"a field too long", recordBytes(std::string(1000, 'p'))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = tool.file(std::string(row.name) + ".txt");
        if (row.bytes) writeBytes(path, *row.bytes);
        EXPECT_EQ(readParameterFile(path).has_value(), false);
        if (row.bytes) {
            EXPECT_EQ(readBytes(path), *row.bytes);
        }
    }
    std::filesystem::create_directory(tool.file("folder.txt"));
    EXPECT_FALSE(readParameterFile(tool.file("folder.txt")).has_value());
}

// ---- Last upgrade file -----------------------------------------------------

class LastPathFileTest : public FixedLocalTime {
protected:
    void SetUp() override {
        FixedLocalTime::SetUp();
        hexPath = inputs.file("升级 程序.hex");
        writeBytes(hexPath, ":00000001FF\r\n");
    }
    void writeLastPath(std::string_view utf8Bytes) { writeBytes(lastPathFilePath(tool.path()), gb(utf8Bytes)); }

    TempFolder tool;
    TempFolder inputs;
    std::string hexPath;
};

TEST_F(LastPathFileTest, WritesBothValuesInGb18030WithCrCrLf) {
    ASSERT_TRUE(writeLastPathFile(tool.path(), {hexPath, "最近修改时间:2026-03-07 08:05:09"}));
    EXPECT_EQ(lastPathFilePath(tool.path()), tool.path() + "用户文件路径.txt");
    EXPECT_EQ(readBytes(tool.file("用户文件路径.txt")),
              gb(hexPath) + "\r\r\n" + gb("最近修改时间:2026-03-07 08:05:09") + "\r\r\n");
    EXPECT_EQ(readBytes(tool.file("用户文件路径.txt")).find(hexPath.substr(hexPath.rfind('/'))), std::string::npos)
        << "the Chinese name is not stored as UTF-8";
}

TEST_F(LastPathFileTest, ReadingGivesThePathAndItsCurrentTime) {
    const std::string current = *modifiedTimeText(hexPath);
    struct Row {
        const char* name;
        std::string content;
        std::string path;
        std::string time;
    };
    const std::vector<Row> rows = {
        {"our own file, the stored time replaced", hexPath + "\r\r\n最近修改时间:1999-01-01 00:00:00\r\r\n", hexPath,
         current},
        {"hand-edited CR LF keeps the last character", hexPath + "\r\nold time\r\n", hexPath, current},
        {"hand-edited LF keeps the last character", hexPath + "\nold time\n", hexPath, current},
        {"no final line end", hexPath + "\r\r\nold time", hexPath, current},
        {"one line only: the time comes from the file", hexPath + "\r\r\n", hexPath, current},
        {"the file is gone: both cleared", inputs.file("gone.hex") + "\r\r\nold time\r\r\n", "", ""},
        {"three CRs leave one in the name: not found", hexPath + "\r\r\r\nold time\r\r\n", "", ""},
        {"empty file", "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeLastPath(row.content);
        LastPath last{"before", "before"};
        ASSERT_TRUE(readLastPathFile(tool.path(), last));
        EXPECT_EQ(last.hexPath, row.path);
        EXPECT_EQ(last.hexFileTimeText, row.time);
    }
}

TEST_F(LastPathFileTest, RoundTripOfOurOwnFile) {
    ASSERT_TRUE(writeLastPathFile(tool.path(), {hexPath, "stale"}));
    LastPath last;
    ASSERT_TRUE(readLastPathFile(tool.path(), last));
    EXPECT_EQ(last.hexPath, hexPath);
    EXPECT_EQ(last.hexFileTimeText, *modifiedTimeText(hexPath));
}

TEST_F(LastPathFileTest, MissingFileChangesNothing) {
    LastPath last{"/kept.hex", "kept"};
    EXPECT_FALSE(readLastPathFile(tool.path(), last));
    EXPECT_EQ(last.hexPath, "/kept.hex");
    EXPECT_EQ(last.hexFileTimeText, "kept");
    EXPECT_FALSE(readLastPathFile(tool.file("no-such-folder/"), last));
    EXPECT_EQ(last.hexPath, "/kept.hex");
}

TEST_F(LastPathFileTest, ValuesThatWouldSplitALineAreNotWritten) {
    ASSERT_TRUE(writeLastPathFile(tool.path(), {hexPath, "t"}));
    const std::string before = readBytes(lastPathFilePath(tool.path()));
    EXPECT_FALSE(writeLastPathFile(tool.path(), {"/a\nb.hex", "t"}));
    EXPECT_FALSE(writeLastPathFile(tool.path(), {"/a.hex", "\xFF"}));
    EXPECT_EQ(readBytes(lastPathFilePath(tool.path())), before);
}

// ---- Saved logs ------------------------------------------------------------

class SavedLog : public FixedLocalTime {
protected:
    static std::time_t at(int year, int month, int day, int hour, int minute, int second) {
        using namespace std::chrono;
        const sys_days date = std::chrono::year(year) / month / day;
        // local time is UTC + 8
        return system_clock::to_time_t(date + hours(hour - 8) + minutes(minute) + seconds(second));
    }
    TempFolder tool;
};

TEST_F(SavedLog, NameHoldsTheLocalTimeWithTwoDigitsEach) {
    EXPECT_EQ(savedLogPath(tool.path(), at(2026, 3, 7, 8, 5, 9)), tool.path() + "日志保存--26年03月07日08时05分09秒.txt");
    EXPECT_EQ(savedLogPath(tool.path(), at(2009, 12, 31, 23, 59, 58)),
              tool.path() + "日志保存--09年12月31日23时59分58秒.txt");
    EXPECT_EQ(savedLogPath(tool.path(), at(2030, 1, 1, 0, 0, 0)), tool.path() + "日志保存--30年01月01日00时00分00秒.txt");
}

TEST_F(SavedLog, TextThenOneNulFromTheFirstByte) {
    const std::string path = savedLogPath(tool.path(), at(2026, 3, 7, 8, 5, 9));
    ASSERT_TRUE(writeSavedLog(path, "abc"));
    EXPECT_EQ(readBytes(path), std::string("abc\0", 4));

    // A second save in the same second with a shorter text keeps the older bytes beyond its NUL.
    ASSERT_TRUE(writeSavedLog(path, "longer text\r\n"));
    ASSERT_TRUE(writeSavedLog(path, "xy"));
    EXPECT_EQ(readBytes(path), std::string("xy\0ger text\r\n\0", 14));

    const std::string chinese = tool.file("chinese.txt");
    ASSERT_TRUE(writeSavedLog(chinese, "2026-03-07 08:05:09\r\n升级成功\r\n"));
    EXPECT_EQ(readBytes(chinese), gb("2026-03-07 08:05:09\r\n升级成功\r\n") + '\0');
    EXPECT_EQ(readBytes(chinese).substr(21, 8), "\xC9\xFD\xBC\xB6\xB3\xC9\xB9\xA6");

    ASSERT_TRUE(writeSavedLog(tool.file("empty.txt"), ""));
    EXPECT_EQ(readBytes(tool.file("empty.txt")), std::string(1, '\0'));
}

// ---- Overwriting from the first byte ---------------------------------------

TEST(OverwriteFromStart, KeepsWhatLiesBeyondTheNewBytes) {
    TempFolder folder;
    struct Row {
        const char* name;
        std::optional<std::string> old;  // nullopt: no file before
        std::string bytes;
        std::string result;
    };
    const std::vector<Row> rows = {
        {"no file before", std::nullopt, "new", "new"},
        {"no file, no bytes", std::nullopt, "", ""},
        {"longer old file keeps its tail", "0123456789", "abc", "abc3456789"},
        {"same length", "0123", "abcd", "abcd"},
        {"shorter old file is grown", "01", "abcdef", "abcdef"},
        {"empty bytes leave the file as it was", "0123", "", "0123"},
        {"empty old file", "", "ab", "ab"},
        {"binary bytes and NULs", std::string("\0\xFF\0\xFF", 4), std::string("\0", 1), std::string("\0\xFF\0\xFF", 4)},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder.file("f" + std::to_string(n++));
        if (row.old) writeBytes(path, *row.old);
        ASSERT_TRUE(overwriteFromStart(path, row.bytes));
        EXPECT_EQ(readBytes(path), row.result);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), n) << "no temporary file left";
}

}  // namespace
}  // namespace kq
