// The Windows file helpers: GB18030 with or without code page 54936, wide
// paths, the program's folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/line_file.h"
#include "platform/exe_directory.h"
#include "platform/file_time.h"
#include "platform/gb_text.h"
#include "platform/regular_file.h"
#include "platform/tool_folder.h"
#include "platform/whole_file.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

// Wine has no code page 54936; the helpers then go through GBK (code page 936).
bool hasGb18030CodePage() { return IsValidCodePage(54936) != 0; }

TEST(GbTextOnWindows, EveryTextIsEncodedExactlyOrRefused) {
    struct Row {
        const char* name;
        std::string utf8;
        std::string gb;   // GB18030 bytes
        bool inGbk;       // the GBK fallback writes it too
        bool exact;       // the same bytes in every edition of GB18030
    };
    const std::vector<Row> rows = {
        {"Chinese", "参数配置.txt", "\xB2\xCE\xCA\xFD\xC5\xE4\xD6\xC3.txt", true, true},
        {"euro sign: GBK's single byte 0x80 is not GB18030", "\xE2\x82\xAC", "\xA2\xE3", true, true},
        {"beyond U+FFFF", "\xF0\x9F\x98\x80", "\x94\x39\xFC\x36", true, true},
        {"user-defined area shared by both", "\xEE\x80\x80", "\xAA\xA1", true, true},
        {"Hangul is outside GBK", "한", "\x83\x36\x84\x33", false, true},
        {"no best fit of y diaeresis to y", "\xC3\xBF", "\x81\x30\x8B\x37", false, true},
        {"private use where GBK and GB18030 part", "\xEE\x9D\xAC", "", false, false},
        {"radical that GBK lacks", "\xE2\xBA\x81", "", false, false},
    };
    const bool complete = hasGb18030CodePage();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto encoded = utf8ToGb18030(row.utf8);
        if (complete) {
            ASSERT_TRUE(encoded.has_value());
            if (row.exact) {
                EXPECT_EQ(*encoded, row.gb);
            }
            EXPECT_EQ(gb18030ToUtf8(*encoded), row.utf8);
        } else if (row.inGbk) {
            EXPECT_EQ(encoded, row.gb);
            EXPECT_EQ(gb18030ToUtf8(row.gb), row.utf8);
        } else {
            EXPECT_EQ(encoded, std::nullopt) << "never written with a '?' in its place";
        }
    }
}

TEST(GbTextOnWindows, BytesWithoutACharacterReadAsReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(gb18030ToUtf8("a\x80" "b"), "a" + replacement + "b");
    EXPECT_EQ(gb18030ToUtf8("\xC2\xB7\xBE"), "路" + replacement);
    if (!hasGb18030CodePage()) {
        // Sequences that need the GB18030 table: one replacement character each.
        EXPECT_EQ(gb18030ToUtf8("\x83\x36\x84\x33" "a"), replacement + "a");
        EXPECT_EQ(gb18030ToUtf8("\xFE\x50" "a"), replacement + "a");
    }
}

TEST(GbTextOnWindows, AWriterRefusesATextItCannotEncode) {
    if (hasGb18030CodePage()) GTEST_SKIP() << "code page 54936 encodes every text";
    TempFolder folder;
    EXPECT_FALSE(writeLineFile(folder.file("lines.txt"), {"路径", "한"}));
    EXPECT_FALSE(std::filesystem::exists(folder.file("lines.txt")));
}

// The names of a folder's entries as the system lists them.
std::vector<std::wstring> entriesOf(const std::string& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((test::utf8Path(folder) / L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

TEST(WidePaths, ChineseAndEmojiNamesRoundTripThroughTheFileHelpers) {
    TempFolder base;
    const std::string folder = base.file("工具 目录\xF0\x9F\x98\x80/");
    ASSERT_TRUE(std::filesystem::create_directory(test::utf8Path(folder)));
    const std::string path = folder + "参数配置.txt";

    ASSERT_TRUE(writeFileAtomically(path, "0123456789"));
    EXPECT_EQ(entriesOf(folder), std::vector<std::wstring>{L"参数配置.txt"}) << "the name on disk is the Chinese one";
    ASSERT_TRUE(overwriteFromStart(path, "ab"));
    EXPECT_EQ(readWholeFile(path, 100).bytes, "ab23456789");
    EXPECT_EQ(readFileStart(path, 4).bytes, "ab23");
    EXPECT_TRUE(modifiedTimeText(path).has_value());
    EXPECT_TRUE(modifiedTimeText(folder).has_value());

    const std::string lines = folder + "用户文件路径.txt";
    ASSERT_TRUE(writeLineFile(lines, {path, "最近修改时间:2024-03-05 09:07:02"}));
    EXPECT_EQ(readLineFile(lines, 2), (std::vector<std::string>{path, "最近修改时间:2024-03-05 09:07:02"}));
    EXPECT_EQ(entriesOf(folder).size(), 2u) << "no temporary file left";
}

TEST(WidePaths, DevicesAreNoFiles) {
    EXPECT_EQ(readWholeFile("NUL", 10).status, WholeFile::CannotOpen);
    EXPECT_FALSE(writeFileAtomically("NUL", "x"));
}

TEST(WidePaths, OnlyRegularFilesOpenForReadingAndDevicesAreNotOpened) {
    TempFolder folder;
    writeBytes(folder.file("程序.hex"), "content");
    const std::vector<std::pair<std::string, FileOpenError>> rows = {
        {folder.file("程序.hex"), FileOpenError::None},
        {folder.file("absent.hex"), FileOpenError::Missing},
        {folder.file("程序.hex/below"), FileOpenError::Missing},
        {folder.path(), FileOpenError::NotRegularFile},
        {"NUL", FileOpenError::NotRegularFile},
        {"COM1", FileOpenError::NotRegularFile},  // looked at, never opened
    };
    for (const auto& [path, error] : rows) {
        const OpenedFile opened = openRegularFileForReading(path);
        EXPECT_EQ(opened.error, error) << path;
        EXPECT_EQ(opened.file != nullptr, error == FileOpenError::None) << path;
    }
}

TEST(ExeDirectory, IsTheProgramsFolderWithATrailingBackslash) {
    const std::string folder = exeDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(std::filesystem::exists(test::utf8Path(folder + "unit_tests.exe")));
}

TEST(ToolFolder, AProgramOutsideProgramFilesIsPortable) {
    EXPECT_FALSE(runsInstalled());
    const ProgramFolders folders = programFolders("hexsplice");
    EXPECT_EQ(folders.remembered, exeDirectory());
    EXPECT_EQ(folders.output, exeDirectory());
}

}  // namespace
}  // namespace kq
