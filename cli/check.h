// check: the dry run of flash. Loads the HEX file with the loader and the
// options of flash, and tells what would go into a module: addresses, image
// length, sectors, the image's CRC-16 and the file's SHA-256. The port
// options are checked like flash checks them, but no port is touched.
#pragma once

#include <cstdio>

#include "cli/options.h"

namespace kq::cli {

// 0 when the file would be flashed; 3 when the loader refuses it.
int runCheckCommand(const FlashOptions& options, std::FILE* out, std::FILE* err);

}  // namespace kq::cli
