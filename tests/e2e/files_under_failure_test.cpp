// The command-line tools when their files fail them: the merged file cannot be
// written (a read-only folder, a full disk, a folder in its place), and the
// upgrade file vanished before the run. Each exits with its status and
// message and leaves every file that was there as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/build_folders.h"
#include "e2e/flasher_session.h"
#include "e2e/process_runner.h"
#include "support/private_mounts.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

const std::string Merger = programPath("hexsplice-cli");
const std::string MergedName = "KQ58XX_bootload_合并.hex";
constexpr int ExitWriteFailed = 3;  // hexsplice-cli: the merged file was not written
constexpr int ExitFileRefused = 3;  // flashwright-cli: the upgrade file was refused

// Everything in a folder (one level): name -> bytes, "<folder>" for a folder.
std::map<std::string, std::string> contentOf(const std::string& folder) {
    std::map<std::string, std::string> content;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        content[entry.path().filename().string()] = entry.is_directory() ? "<folder>" : readBytes(entry.path().string());
    }
    return content;
}

class MergeUnderFailure : public ::testing::Test {
protected:
    void SetUp() override {
        boot = inputs.file("boot.hex");
        user = inputs.file("user.hex");
        writeBytes(boot, paddedTo(hexText({dataRecord(0x0000, 16), dataRecord(0x0010, 16)}), 200));
        writeBytes(user, paddedTo(hexText({dataRecord(0x1000, 16)}), 150));
    }

    // Runs the merge in folder (into its default file, or into output) and
    // checks the refusal and that the folder is as it was.
    void expectWriteFailure(const std::string& folder, const std::vector<std::string>& output = {}) {
        const auto before = contentOf(folder);
        std::vector<std::string> args = {boot, user};
        args.insert(args.end(), output.begin(), output.end());
        const ProcessResult r = runProcess(Merger, args, {folder, std::chrono::seconds(20)});
        ASSERT_TRUE(r.started);
        EXPECT_EQ(r.exitCode, ExitWriteFailed);
        EXPECT_EQ(r.err, "合并文件写入失败!\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(contentOf(folder), before) << "a file changed, appeared or vanished";
    }

    TempFolder inputs;
    std::string boot, user;
};

#define REQUIRE_PRIVATE_MOUNTS()                                                                            \
    if (!privateMountsUnavailable().empty())                                                                \
    GTEST_SKIP() << "needs root or a user namespace to mount a scratch tmpfs: " << privateMountsUnavailable()

TEST_F(MergeUnderFailure, ReadOnlyFolder) {
    REQUIRE_PRIVATE_MOUNTS();
    ScratchMount folder(1 << 20);
    ASSERT_TRUE(folder.ok()) << folder.error();
    writeBytes(folder.file(MergedName), "an older merged file");
    writeBytes(folder.file("chosen.hex"), "an older chosen output");
    ASSERT_TRUE(folder.makeReadOnly());
    {
        SCOPED_TRACE("default output in the working folder");
        expectWriteFailure(folder.path());
    }
    {
        SCOPED_TRACE("output named with -o");
        expectWriteFailure(folder.path(), {"-o", folder.file("chosen.hex")});
    }
    {
        SCOPED_TRACE("a new output named with -o");
        expectWriteFailure(folder.path(), {"-o", folder.file("new.hex")});
    }
}

TEST_F(MergeUnderFailure, FullDisk) {
    REQUIRE_PRIVATE_MOUNTS();
    ScratchMount folder(64 * 1024);
    ASSERT_TRUE(folder.ok()) << folder.error();
    writeBytes(folder.file(MergedName), "an older merged file");
    ASSERT_TRUE(folder.fill());
    expectWriteFailure(folder.path());
    expectWriteFailure(folder.path(), {"-o", folder.file("new.hex")});
}

TEST_F(MergeUnderFailure, AFolderInPlaceOfTheOutput) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file(MergedName));
    writeBytes(folder.file(MergedName) + "/inside.txt", "inside");
    expectWriteFailure(folder.path());
    EXPECT_EQ(readBytes(folder.file(MergedName) + "/inside.txt"), "inside");
}

// ---- The upgrade file vanished before the run ------------------------------

TEST(VanishedUpgradeFile, RefusedBeforeAnyPortIsOpened) {
    const TempFolder files;
    struct Row {
        const char* name;
        void (*vanish)(const std::string& path);
    };
    const std::vector<Row> rows = {
        {"deleted", [](const std::string& path) { std::filesystem::remove(path); }},
        {"a folder in its place",
         [](const std::string& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = files.file("升级程序.hex");
        writeBytes(path, hexText({dataRecord(0x1000, 16)}));
        row.vanish(path);
        // The port does not exist either: only the file is looked at before the refusal.
        const ProcessResult run =
            runFlasher({"flash", "--port", files.file("no-such-device"), "--chip", "251", path});
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, ExitFileRefused);
        EXPECT_EQ(transcript(run.out), (std::vector<std::string>{TimeLine, "获取文件开始", "获取文件失败"}));
        EXPECT_NE(run.err.find("flashwright-cli: .hex 不存在!\n"), std::string::npos) << run.err;
        std::filesystem::remove_all(path);
    }
    EXPECT_TRUE(contentOf(files.path()).empty()) << "the flasher wrote nothing beside the file";
}

}  // namespace
}  // namespace kq
