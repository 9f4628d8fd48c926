// Every file the tools write, when the write cannot succeed: a read-only tool
// folder, a full disk, a folder in place of the file, a tool folder that is
// not there. Each writer must report the failure, leave every file that was
// there byte for byte as it was, and leave no temporary file behind. And an
// upgrade file that vanishes between its choice and the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "merge/merge_engine.h"
#include "platform/file_time.h"
#include "support/private_mounts.h"
#include "support/run_fixture.h"
#include "tool_files/last_path_file.h"
#include "tool_files/parameter_file.h"
#include "tool_files/path_memory.h"
#include "tool_files/saved_log_file.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

constexpr std::time_t SaveTime = 1772841909;  // the moment of the saved log's name

// Everything under a folder: relative name -> bytes ("<folder>" for a folder).
using FolderContent = std::map<std::string, std::string>;

FolderContent contentOf(const std::string& folder) {
    FolderContent content;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        content[name] = entry.is_directory() ? "<folder>" : readBytes(entry.path().string());
    }
    return content;
}

std::vector<std::string> namesIn(const FolderContent& content) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : content) names.push_back(name);
    return names;
}

// One writer: the file it writes in a tool folder, and the write, which
// returns the success it reports.
struct Writer {
    std::string name;
    std::function<std::string(const std::string& toolFolder)> target;
    std::function<bool(const std::string& toolFolder)> write;
};

class FilesUnderFailure : public ::testing::Test {
protected:
    void SetUp() override {
        boot = inputs.file("boot.hex");
        user = inputs.file("user.hex");
        writeBytes(boot, paddedTo(hexText({dataRecord(0x0000, 16), dataRecord(0x0010, 16)}), 200));
        writeBytes(user, paddedTo(hexText({dataRecord(0x1000, 16)}), 150));

        ParameterRecord record;
        record.settings.hexPath = "/工具/升级程序.hex";
        writers = {
            {"parameter record", [](const std::string& f) { return parameterFilePath(f); },
             [record](const std::string& f) { return writeParameterFile(parameterFilePath(f), record); }},
            {"saved log", [](const std::string& f) { return savedLogPath(f, SaveTime); },
             [](const std::string& f) { return writeSavedLog(savedLogPath(f, SaveTime), "升级成功\r\n"); }},
            {"last path", [](const std::string& f) { return lastPathFilePath(f); },
             [this](const std::string& f) { return writeLastPathFile(f, {user, "最近修改时间:x"}); }},
            {"path memory", [](const std::string& f) { return pathMemoryFile(f); },
             [this](const std::string& f) { return savePathMemory(f, {boot, "b", user, "u"}); }},
            {"merged HEX", [](const std::string& f) { return f + std::string(MergedFileName); },
             [this](const std::string& f) {
                 const MergeHost host{[this](std::string_view text) { messages.emplace_back(text); }, f};
                 return mergeHexFiles(boot, user, 0, host);
             }},
        };
    }

    // Puts an older content in every writer's file, and one file no writer touches.
    void putOlderFiles(const std::string& folder) {
        for (const Writer& w : writers) writeBytes(w.target(folder), "older content of " + w.name);
        writeBytes(folder + "unrelated.txt", "unrelated");
    }

    // Runs every writer against a folder in which writing fails.
    void expectEveryWriterFails(const std::string& folder) {
        const FolderContent before = contentOf(folder);
        for (const Writer& w : writers) {
            SCOPED_TRACE(w.name);
            messages.clear();
            EXPECT_FALSE(w.write(folder));
            if (w.name == "merged HEX") {
                EXPECT_EQ(messages, std::vector<std::string>{std::string(WriteFailedMessage)});
            } else {
                EXPECT_TRUE(messages.empty());
            }
            const FolderContent after = contentOf(folder);
            EXPECT_EQ(namesIn(after), namesIn(before)) << "a file appeared or vanished";
            EXPECT_EQ(after, before) << "an existing file changed";
        }
    }

    TempFolder inputs;
    std::string boot, user;
    std::vector<Writer> writers;
    std::vector<std::string> messages;
};

#define REQUIRE_PRIVATE_MOUNTS()                                                                            \
    if (!privateMountsUnavailable().empty())                                                                \
    GTEST_SKIP() << "needs root or a user namespace to mount a scratch tmpfs: " << privateMountsUnavailable()

TEST_F(FilesUnderFailure, AWritableFolderTakesEveryWriterAndNothingElse) {
    // The control case: the same writers succeed where they can, so the
    // failures below are the folder's doing.
    TempFolder tool;
    putOlderFiles(tool.path());
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.name);
        messages.clear();
        EXPECT_TRUE(w.write(tool.path()));
        EXPECT_NE(readBytes(w.target(tool.path())), "older content of " + w.name);
    }
    EXPECT_EQ(messages, std::vector<std::string>{std::string(MergedMessage)});
    std::vector<std::string> expected = {"unrelated.txt"};
    for (const Writer& w : writers) expected.push_back(w.target(tool.path()).substr(tool.path().size()));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(contentOf(tool.path())), expected) << "only the writers' files, no temporary file";
}

TEST_F(FilesUnderFailure, ReadOnlyToolFolder) {
    REQUIRE_PRIVATE_MOUNTS();
    ScratchMount tool(1 << 20);
    ASSERT_TRUE(tool.ok()) << tool.error();
    putOlderFiles(tool.path());
    ASSERT_TRUE(tool.makeReadOnly());
    expectEveryWriterFails(tool.path());
}

TEST_F(FilesUnderFailure, ReadOnlyToolFolderWithoutTheFiles) {
    REQUIRE_PRIVATE_MOUNTS();
    ScratchMount tool(1 << 20);
    ASSERT_TRUE(tool.ok()) << tool.error();
    ASSERT_TRUE(tool.makeReadOnly());
    expectEveryWriterFails(tool.path());
    EXPECT_TRUE(contentOf(tool.path()).empty());
}

TEST_F(FilesUnderFailure, FullDisk) {
    REQUIRE_PRIVATE_MOUNTS();
    ScratchMount tool(64 * 1024);
    ASSERT_TRUE(tool.ok()) << tool.error();
    putOlderFiles(tool.path());
    ASSERT_TRUE(tool.fill());
    expectEveryWriterFails(tool.path());
}

TEST_F(FilesUnderFailure, AFolderInPlaceOfTheFile) {
    TempFolder tool;
    for (const Writer& w : writers) {
        std::filesystem::create_directory(w.target(tool.path()));
        writeBytes(w.target(tool.path()) + "/inside.txt", "inside " + w.name);
    }
    writeBytes(tool.file("unrelated.txt"), "unrelated");
    expectEveryWriterFails(tool.path());
}

TEST_F(FilesUnderFailure, AToolFolderThatIsNotThere) {
    TempFolder parent;
    writeBytes(parent.file("a-file"), "a file, not a folder");
    for (const std::string& folder : {parent.file("missing/"), parent.file("a-file/")}) {
        SCOPED_TRACE(folder);
        for (const Writer& w : writers) {
            SCOPED_TRACE(w.name);
            EXPECT_FALSE(w.write(folder));
        }
    }
    EXPECT_EQ(contentOf(parent.path()), (FolderContent{{"a-file", "a file, not a folder"}}));
}

// ---- An upgrade file that vanishes between its choice and the run ----------

class VanishedHexFile : public test::RunFixture {
protected:
    // The choice: the file is there and remembered as the last upgrade file.
    void choose() {
        useProgram(200);
        ASSERT_TRUE(writeLastPathFile(tool.path(), {host.controls.hexPath, *modifiedTimeText(host.controls.hexPath)}));
        remembered = readBytes(lastPathFilePath(tool.path()));
    }
    TempFolder tool;
    std::string remembered;
};

TEST_F(VanishedHexFile, TheRunStopsAtTheFileWithItsMessage) {
    struct Row {
        const char* name;
        void (*vanish)(const std::string& path);
        bool forgottenAtNextStart;  // a folder of that name is still something that exists
    };
    const std::vector<Row> rows = {
        {"deleted", [](const std::string& path) { std::filesystem::remove(path); }, true},
        {"a folder of that name in its place",
         [](const std::string& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         },
         false},
        {"its folder renamed",
         [](const std::string& path) {
             const auto folder = std::filesystem::path(path).parent_path();
             std::filesystem::rename(folder, folder.string() + "-moved");
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.calls.clear();
        choose();
        const std::string chosen = host.controls.hexPath;
        row.vanish(chosen);

        const RunResult result = run.runUpgrade();

        EXPECT_EQ(result.ending, RunEnding::FailedWithoutPicture);
        EXPECT_EQ(result.step, RunStep::File);
        EXPECT_EQ(host.callsStartingWith("message:"), std::vector<std::string>{"message:.hex 不存在!"});
        EXPECT_TRUE(host.callsStartingWith("open:").empty()) << "no port opened";
        EXPECT_TRUE(host.callsStartingWith("note:").empty()) << "the remembered file is not rewritten";
        EXPECT_TRUE(commands.names().empty());
        EXPECT_EQ(readBytes(lastPathFilePath(tool.path())), remembered);

        // At the next start a file that is gone is forgotten.
        LastPath last{"x", "x"};
        ASSERT_TRUE(readLastPathFile(tool.path(), last));
        EXPECT_EQ(last.hexPath, row.forgottenAtNextStart ? "" : chosen);
        EXPECT_EQ(last.hexFileTimeText.empty(), row.forgottenAtNextStart);

        // Put back whatever the row moved, so the next row starts afresh.
        const auto folder = std::filesystem::path(chosen).parent_path();
        if (std::filesystem::exists(folder.string() + "-moved")) std::filesystem::rename(folder.string() + "-moved", folder);
        std::filesystem::remove_all(chosen);
    }
}

}  // namespace
}  // namespace kq
