// Windows keeps no lock files: a port open in another program is refused by
// the system itself (CreateFileW without sharing).
#include "link/port_lock.h"

namespace kq {

std::string portLockFolder() { return ""; }

std::string portLockPath(const std::string&) { return ""; }

int portLockOwner(const std::string&) { return 0; }

PortLockResult PortLock::take(const std::string&) {
    owner_ = 0;
    return PortLockResult::NotLocked;
}

void PortLock::release() { slot_ = -1; }

void releasePortLocksNow() {}

}  // namespace kq
