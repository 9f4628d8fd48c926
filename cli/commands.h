// The commands of flashwright-cli, each returning the exit status.
#pragma once

#include <cstdio>

#include "cli/batch.h"
#include "cli/check.h"
#include "cli/options.h"

namespace kq::cli {

// Lists the serial ports on out: "COMn  device", "  busy ..." or
// "  no permission" after a port another program holds or we may not use,
// and under each port its stable names, indented.
int runPortsCommand(std::FILE* out, std::FILE* err);

}  // namespace kq::cli
