// flash: one upgrade per port, the ports in parallel (a thread each), and on
// each port the modules of its bus one after another; every run with its
// record, its JSON line and its row in the summary.
#pragma once

#include <cstdio>

#include "cli/options.h"

namespace kq::cli {

// Runs every upgrade the options ask for; returns the exit status (the most
// severe of the runs').
int runFlashCommand(const FlashOptions& options, std::FILE* out, std::FILE* err);

}  // namespace kq::cli
