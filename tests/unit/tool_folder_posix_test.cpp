// Where the programs keep their files on POSIX systems: portable or
// installed, the user's folders from the XDG variables, and the private
// runtime folder with its fallback under the temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/tool_folder.h"
#include "platform/tool_folder_rules_posix.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace folder_rules;
using testing::TempFolder;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(ToolFolder, InstalledOnlyInTheInstallPrefixBinFolder) {
    TempFolder root;
    std::filesystem::create_directories(root.file("usr/bin"));
    std::filesystem::create_directory_symlink("usr/bin", root.file("bin"));  // a merged /bin
    std::filesystem::create_directories(root.file("build/bin"));
    EXPECT_TRUE(isInstallLocation(root.file("usr/bin/"), root.file("usr/bin")));
    EXPECT_TRUE(isInstallLocation(root.file("usr/bin/"), root.file("bin/")));
    EXPECT_FALSE(isInstallLocation(root.file("build/bin/"), root.file("usr/bin")));
    EXPECT_FALSE(isInstallLocation(root.file("usr/bin/"), root.file("opt/bin")));  // not there
    EXPECT_FALSE(isInstallLocation("", ""));
}

TEST(ToolFolder, TheTestProgramRunsPortable) {
    EXPECT_FALSE(runsInstalled());
    const ProgramFolders folders = programFolders("hexsplice");
    EXPECT_EQ(folders.remembered, folders.output);
    EXPECT_EQ(portLinkFolders(), std::vector<std::string>{folders.remembered + "ports/"});
}

struct UserFolderRow {
    const char* name;
    UserEnvironment env;
    const char* config;
    const char* data;
    const char* runtime;
};

void PrintTo(const UserFolderRow& row, std::ostream* os) { *os << row.name; }

class UserFolders : public ::testing::TestWithParam<UserFolderRow> {};

TEST_P(UserFolders, FollowTheVariables) {
    const UserFolderRow& row = GetParam();
    EXPECT_EQ(configFolder(row.env, "hexsplice"), row.config);
    EXPECT_EQ(dataFolder(row.env, "hexsplice"), row.data);
    EXPECT_EQ(runtimeFolder(row.env), row.runtime);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UserFolders,
    ::testing::Values(
        UserFolderRow{"unset", {.home = "/home/li", .uid = 1000},
                      "/home/li/.config/hexsplice/", "/home/li/.local/share/hexsplice/", "/tmp/flashwright-1000/"},
        UserFolderRow{"set",
                      {.home = "/home/li", .configHome = "/cfg", .dataHome = "/data/", .runtimeDir = "/run/user/1000",
                       .uid = 1000},
                      "/cfg/hexsplice/", "/data/hexsplice/", "/run/user/1000/flashwright/"},
        // Empty and relative values count as unset; TMPDIR moves the fallback.
        UserFolderRow{"relative",
                      {.home = "/root/", .configHome = "cfg", .dataHome = "", .runtimeDir = "run", .tempDir = "/var/tmp",
                       .uid = 0},
                      "/root/.config/hexsplice/", "/root/.local/share/hexsplice/", "/var/tmp/flashwright-0/"}));

TEST(PrivateFolder, MadeWithMode0700WhenMissing) {
    TempFolder temp;
    std::string error;
    const std::string folder = temp.file("flashwright-1/");
    EXPECT_EQ(preparePrivateFolder(folder, ::geteuid(), false, error), PrivateFolder::Missing);
    const mode_t oldMask = ::umask(0277);  // a umask that takes the owner's bits does not stick
    EXPECT_EQ(preparePrivateFolder(folder, ::geteuid(), true, error), PrivateFolder::Ready) << error;
    ::umask(oldMask);
    EXPECT_EQ(modeOf(temp.file("flashwright-1")), 0700u);
    EXPECT_EQ(preparePrivateFolder(folder, ::geteuid(), false, error), PrivateFolder::Ready) << error;
}

TEST(PrivateFolder, RefusedWhenOthersCouldHavePlacedIt) {
    TempFolder temp;
    std::filesystem::create_directory(temp.file("open"));
    ::chmod(temp.file("open").c_str(), 0755);
    std::filesystem::create_directory(temp.file("mine"));
    ::chmod(temp.file("mine").c_str(), 0700);
    std::filesystem::create_directory_symlink(temp.file("mine"), temp.file("link"));
    testing::writeBytes(temp.file("file"), "x");
    const uid_t me = ::geteuid();
    struct Row {
        const char* folder;
        uid_t uid;
    } rows[] = {{"open/", me}, {"link/", me}, {"file", me}, {"mine/", me + 1}};  // me + 1: another user's folder
    for (const Row& row : rows) {
        std::string error;
        EXPECT_EQ(preparePrivateFolder(temp.file(row.folder), row.uid, true, error), PrivateFolder::Refused)
            << row.folder;
        EXPECT_NE(error.find("refused"), std::string::npos) << error;
    }
    EXPECT_EQ(modeOf(temp.file("open")), 0755u);  // left as it was
}

TEST(MakeFolders, NewFoldersArePrivateAndAFileInTheWayFails) {
    TempFolder temp;
    std::string error;
    ASSERT_TRUE(makeFolders(temp.file("a/b/c/"), error)) << error;
    EXPECT_EQ(modeOf(temp.file("a")), 0700u);
    EXPECT_EQ(modeOf(temp.file("a/b/c")), 0700u);
    EXPECT_TRUE(makeFolders(temp.file("a/b"), error));  // already there
    testing::writeBytes(temp.file("f"), "x");
    EXPECT_FALSE(makeFolders(temp.file("f/g/"), error));
    EXPECT_NE(error.find(temp.file("f")), std::string::npos) << error;
}

}  // namespace
}  // namespace kq
