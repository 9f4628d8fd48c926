// The commands of flashwright-cli, each returning the exit status.
#pragma once

#include <cstdio>

#include "cli/batch.h"
#include "cli/check.h"
#include "cli/options.h"

namespace kq::cli {

// Lists the serial ports on out: "COMn  device", "  busy ..." or
// "  no permission" after a port another program holds or we may not use,
// and under each port, indented, its stable names (by-path, by-id; on
// Windows the location path) and its adapter. With json, one JSON object per
// port and line instead. A latency timer above 2 ms is warned about on err.
int runPortsCommand(bool json, std::FILE* out, std::FILE* err);

}  // namespace kq::cli
