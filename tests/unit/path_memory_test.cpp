#include <gtest/gtest.h>

#include <string>

#include "platform/file_time.h"
#include "platform/gb_text.h"
#include "tool_files/path_memory.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

class PathMemoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        bootPath = inputs.file("引导 程序.hex");
        userPath = inputs.file("用户.hex");
        writeBytes(bootPath, "boot");
        writeBytes(userPath, "user");
    }
    void writeMemory(std::string_view utf8Bytes) {
        writeBytes(pathMemoryFile(tool.path()), *utf8ToGb18030(utf8Bytes));
    }

    TempFolder tool;
    TempFolder inputs;
    std::string bootPath;
    std::string userPath;
};

TEST_F(PathMemoryFile, SavedInToolFolderAsGb18030WithCrCrLf) {
    const PathMemory saved{bootPath, "最近修改时间:2000-01-01 00:00:00", userPath, ""};
    ASSERT_TRUE(savePathMemory(tool.path(), saved));
    EXPECT_EQ(pathMemoryFile(tool.path()), tool.path() + "路径.txt");
    EXPECT_EQ(readBytes(tool.file("路径.txt")),
              *utf8ToGb18030(bootPath + "\r\r\n最近修改时间:2000-01-01 00:00:00\r\r\n" + userPath + "\r\r\n\r\r\n"));
}

TEST_F(PathMemoryFile, LoadShowsCurrentTimesAndClearsThePairOfAFileThatIsGone) {
    ASSERT_TRUE(savePathMemory(tool.path(), {inputs.file("gone.hex"), "stale", userPath, "stale"}));
    PathMemory loaded;
    ASSERT_TRUE(loadPathMemory(tool.path(), loaded));
    EXPECT_EQ(loaded.bootPath, "");
    EXPECT_EQ(loaded.bootTimeText, "");
    EXPECT_EQ(loaded.userPath, userPath);
    EXPECT_EQ(loaded.userTimeText, *modifiedTimeText(userPath));
}

TEST_F(PathMemoryFile, HandWrittenFilesFollowTheReadingRule) {
    struct Row {
        const char* name;
        std::string content;
        std::string boot, user;
    };
    const std::vector<Row> rows = {
        // Edited by hand: every character of a path is kept.
        {"plain CR LF lines", bootPath + "\r\nT\r\n" + userPath + "\r\nT\r\n", bootPath, userPath},
        {"LF lines", bootPath + "\nT\n" + userPath + "\nT\n", bootPath, userPath},
        {"only the first line", bootPath + "\r\r\n", bootPath, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeMemory(row.content);
        PathMemory loaded{"old", "old", "old", "old"};
        ASSERT_TRUE(loadPathMemory(tool.path(), loaded));
        EXPECT_EQ(loaded.bootPath, row.boot);
        EXPECT_EQ(loaded.userPath, row.user);
        EXPECT_EQ(loaded.userTimeText.empty(), row.user.empty());
    }
}

TEST_F(PathMemoryFile, MissingMemoryOrFolderChangesAndWritesNothing) {
    PathMemory values{"a", "b", "c", "d"};
    EXPECT_FALSE(loadPathMemory(tool.path(), values));
    EXPECT_EQ(values.bootPath, "a");
    EXPECT_EQ(values.userTimeText, "d");
    EXPECT_FALSE(savePathMemory(tool.file("no-such-folder/"), values));
}

}  // namespace
}  // namespace kq
