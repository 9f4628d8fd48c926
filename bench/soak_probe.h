// What the soak watches in its own process: open file descriptors and
// resident memory.
#pragma once

#include <cstdint>

namespace kq::soak {

// Entries of /proc/self/fd, without the one the listing itself holds.
int openDescriptors();
// Resident set size from /proc/self/statm, KiB.
int64_t residentKiB();

}  // namespace kq::soak
