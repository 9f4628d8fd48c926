// The two commands of flashwright-cli, each returning the exit status.
#pragma once

#include <cstdio>

#include "flashwright_cli_options.h"

namespace kq::cli {

// Lists the ports that can be opened on out ("COMn  device" per line).
int runPortsCommand(std::FILE* out, std::FILE* err);
// Runs one upgrade on the real serial channel.
int runFlashCommand(const FlashOptions& options, std::FILE* out, std::FILE* err);

}  // namespace kq::cli
