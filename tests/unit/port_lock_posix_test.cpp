// The lock files of serial devices: their names, taking and giving back,
// another live holder, a stale lock, and a folder that cannot be written.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "link/port_lock.h"
#include "support/dead_process.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

class PortLockTest : public ::testing::Test {
protected:
    PortLockTest() { ::setenv("KQ_LOCK_DIR", folder.path().c_str(), 1); }
    ~PortLockTest() override { ::unsetenv("KQ_LOCK_DIR"); }

    std::string lockFile() const { return folder.file("LCK..ttyUSB0"); }
    void writeLock(const std::string& text) const { std::ofstream(lockFile()) << text; }
    std::string readLock() const {
        std::stringstream text;
        text << std::ifstream(lockFile()).rdbuf();
        return text.str();
    }

    testing::TempFolder folder;
};

TEST_F(PortLockTest, NamesFollowTheDeviceBelowDev) {
    EXPECT_EQ(portLockPath("/dev/ttyUSB0"), folder.file("LCK..ttyUSB0"));
    EXPECT_EQ(portLockPath("/dev/pts/3"), folder.file("LCK..pts_3"));
    EXPECT_EQ(portLockPath("/tmp/links/port"), folder.file("LCK..port"));
    ::unsetenv("KQ_LOCK_DIR");
    EXPECT_EQ(portLockPath("/dev/ttyS1"), "/var/lock/LCK..ttyS1");
}

TEST_F(PortLockTest, TakenWithOurProcessIdAndRemovedOnRelease) {
    {
        PortLock lock;
        ASSERT_EQ(lock.take("/dev/ttyUSB0"), PortLockResult::Taken);
        EXPECT_TRUE(lock.held());
        char expected[16];
        std::snprintf(expected, sizeof expected, "%10d\n", static_cast<int>(::getpid()));
        EXPECT_EQ(readLock(), expected);
        EXPECT_EQ(portLockOwner("/dev/ttyUSB0"), 0) << "our own lock holds nobody else out";
    }
    EXPECT_FALSE(std::filesystem::exists(lockFile()));
}

TEST_F(PortLockTest, TheHoldersOfOthers) {
    struct Row {
        std::string text;    // the lock file's content
        PortLockResult result;
        int owner;           // as owner() and portLockOwner tell it
        bool kept;           // the file is still the other's afterwards
    };
    const int dead = testing::deadProcessId();
    // A child that has ended but is not reaped yet: kill(pid, 0) still finds it.
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    usleep(100 * 1000);
    const Row rows[] = {
        {"         1\n", PortLockResult::HeldByOther, 1, true},  // init lives
        {"1", PortLockResult::HeldByOther, 1, true},             // no padding, no line end
        {"not a number\n", PortLockResult::HeldByOther, LockOwnerUnknown, true},
        {"", PortLockResult::HeldByOther, LockOwnerUnknown, true},  // being written just now
        {std::to_string(dead) + "\n", PortLockResult::Taken, 0, false},  // stale: taken over
        {std::to_string(ended) + "\n", PortLockResult::Taken, 0, false},  // ended, not yet reaped: stale too
    };
    for (const Row& row : rows) {
        writeLock(row.text);
        EXPECT_EQ(portLockOwner("/dev/ttyUSB0"), row.owner) << row.text;
        PortLock lock;
        EXPECT_EQ(lock.take("/dev/ttyUSB0"), row.result) << row.text;
        EXPECT_EQ(lock.owner(), row.owner) << row.text;
        EXPECT_EQ(readLock() == row.text, row.kept) << row.text;
        lock.release();
        std::filesystem::remove(lockFile());
    }
    waitpid(ended, nullptr, 0);
}

// A lock file we cannot read may be another user's real lock: it holds the
// port, and is not taken for one whose content is no process id.
TEST_F(PortLockTest, AnUnreadableLockHoldsThePort) {
    std::filesystem::create_directory(lockFile());  // read() fails on a folder, even for root
    EXPECT_EQ(portLockOwner("/dev/ttyUSB0"), LockOwnerUnreadable);
    PortLock lock;
    EXPECT_EQ(lock.take("/dev/ttyUSB0"), PortLockResult::HeldByOther);
    EXPECT_EQ(lock.owner(), LockOwnerUnreadable);
    EXPECT_TRUE(std::filesystem::is_directory(lockFile()));
}

TEST_F(PortLockTest, WithoutAWritableFolderTheRunGoesOnUnlocked) {
    ::setenv("KQ_LOCK_DIR", folder.file("missing").c_str(), 1);
    PortLock lock;
    EXPECT_EQ(lock.take("/dev/ttyUSB0"), PortLockResult::NotLocked);
    EXPECT_FALSE(lock.held());
}

// What a program that ends at once from its Ctrl-C handler calls.
TEST_F(PortLockTest, ReleasedAllAtOnce) {
    PortLock first, second;
    ASSERT_EQ(first.take("/dev/ttyUSB0"), PortLockResult::Taken);
    ASSERT_EQ(second.take("/dev/ttyUSB1"), PortLockResult::Taken);
    releasePortLocksNow();
    EXPECT_FALSE(std::filesystem::exists(lockFile()));
    EXPECT_FALSE(std::filesystem::exists(folder.file("LCK..ttyUSB1")));
}

}  // namespace
}  // namespace kq
