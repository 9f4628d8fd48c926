#include <windows.h>

#include <bcrypt.h>

#include "production/run_id.h"

namespace kq::production {

bool systemRandomBytes(uint8_t* bytes, size_t count) {
    // The system's preferred random generator, no algorithm handle needed.
    return BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

}  // namespace kq::production
