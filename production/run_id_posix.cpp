#include <sys/random.h>

#include <cerrno>

#include "production/run_id.h"

namespace kq::production {

bool systemRandomBytes(uint8_t* bytes, size_t count) {
    size_t filled = 0;
    while (filled < count) {
        // The kernel's random source; it blocks only before it is seeded at boot.
        const ssize_t n = ::getrandom(bytes + filled, count - filled, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        filled += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace kq::production
