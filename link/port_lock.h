// The lock files by which the serial programs of one machine tell each other
// that a device is in use: <lock folder>/LCK..<device> holding the owner's
// process id in ASCII ("%10d\n"). A port held this way counts as busy even
// where its device would open. Windows has no such files (an open port is
// exclusive there): every lock is NotLocked and no device has an owner.
#pragma once

#include <string>

namespace kq {

// Where the lock files are: $KQ_LOCK_DIR when set (tests point it at a
// folder of their own), else /var/lock; "" where there are none.
std::string portLockFolder();
// The lock file of a device given by its canonical name: /dev/ttyUSB0 gives
// <folder>/LCK..ttyUSB0, /dev/pts/3 <folder>/LCK..pts_3. "" where there are none.
std::string portLockPath(const std::string& canonicalDevice);

// Who holds the device's lock file: the process id when that process lives
// and is not this one; LockOwnerUnknown when the file's content is not a
// process id (being written, or not a lock of this kind); LockOwnerUnreadable
// when the file is there but we may not read it; 0 when nobody (no file, or a
// stale one whose process is gone). Both negative values hold the port.
inline constexpr int LockOwnerUnknown = -1;
inline constexpr int LockOwnerUnreadable = -2;
int portLockOwner(const std::string& canonicalDevice);

enum class PortLockResult {
    Taken,        // the lock file is ours until release()
    HeldByOther,  // another live process holds it: owner() says which
    NotLocked,    // no lock folder we can write into: go on without a lock
};

// One lock file held by this process. A stale lock (its process is gone) is
// taken over.
class PortLock {
public:
    PortLock() = default;
    ~PortLock() { release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    PortLockResult take(const std::string& canonicalDevice);
    // Removes the lock file if this object holds one.
    void release();

    bool held() const { return slot_ >= 0; }
    int owner() const { return owner_; }  // after HeldByOther: as portLockOwner
    const std::string& path() const { return path_; }

private:
    int slot_ = -1;   // index in the table of held locks (see releasePortLocksNow)
    int owner_ = 0;
    std::string path_;
};

// Removes every lock file this process holds. Only async-signal-safe calls:
// for a program that ends at once from a signal handler.
void releasePortLocksNow();

}  // namespace kq
