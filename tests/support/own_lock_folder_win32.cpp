#include "support/own_lock_folder.h"

namespace kq::test {

// Windows has no lock files (link/port_lock_win32.cpp).
void useOwnLockFolder() {}

}  // namespace kq::test
