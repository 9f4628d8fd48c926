// The file helpers on what only POSIX systems have: modes, FIFOs, symbolic links.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/regular_file.h"
#include "platform/whole_file.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

using namespace kq::testing;

TEST(WholeFiles, AtomicWriteKeepsThePermissionsOfTheReplacedFile) {
    TempFolder folder;
    const std::string path = folder.file("out.txt");
    writeBytes(path, "an older and longer content");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileAtomically(path, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WholeFiles, AtomicWriteNeverPutsAFileInPlaceOfAPipeOrDevice) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(folder.file("pipe"), folder.file("link"));
    EXPECT_FALSE(writeFileAtomically(folder.file("pipe"), "x"));
    EXPECT_FALSE(writeFileAtomically(folder.file("link"), "x"));
    EXPECT_TRUE(std::filesystem::is_fifo(folder.file("pipe")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

TEST(WholeFiles, AtomicWriteThroughSymbolicLinkUpdatesTarget) {
    TempFolder folder;
    writeBytes(folder.file("target"), "old");
    std::filesystem::create_symlink(folder.file("target"), folder.file("link"));
    ASSERT_TRUE(writeFileAtomically(folder.file("link"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link")));
    EXPECT_EQ(readBytes(folder.file("target")), "new");
}

TEST(OverwriteFromStart, KeepsPermissionsAndFollowsALink) {
    TempFolder folder;
    writeBytes(folder.file("target"), "0123456789");
    ::chmod(folder.file("target").c_str(), 0600);
    std::filesystem::create_symlink(folder.file("target"), folder.file("link"));
    ASSERT_TRUE(overwriteFromStart(folder.file("link"), "ab"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link")));
    EXPECT_EQ(readBytes(folder.file("target")), "ab23456789");
    struct stat st {};
    ASSERT_EQ(::stat(folder.file("target").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// ---- Regular files for reading ---------------------------------------------

TEST(RegularFile, OpensOnlyRegularFilesWithoutWaitingAndSaysWhy) {
    TempFolder folder;
    writeBytes(folder.file("file"), "content");
    writeBytes(folder.file("locked"), "x");
    ::chmod(folder.file("locked").c_str(), 0);
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);  // no writer: a blocking open would wait for ever
    std::vector<std::pair<std::string, FileOpenError>> rows = {
        {folder.file("file"), FileOpenError::None},
        {folder.file("absent"), FileOpenError::Missing},
        {folder.file("file/below"), FileOpenError::Missing},
        {folder.path(), FileOpenError::NotRegularFile},
        {folder.file("pipe"), FileOpenError::NotRegularFile},
        {"/dev/null", FileOpenError::NotRegularFile},
    };
    if (::geteuid() != 0) rows.emplace_back(folder.file("locked"), FileOpenError::PermissionDenied);  // root reads anyway
    for (const auto& [path, error] : rows) {
        const OpenedFile opened = openRegularFileForReading(path);
        EXPECT_EQ(opened.error, error) << path;
        EXPECT_EQ(opened.file != nullptr, error == FileOpenError::None) << path;
    }
}

}  // namespace
}  // namespace kq
