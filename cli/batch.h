// flash: one upgrade per port, the ports in parallel (a thread each), and on
// each port the modules of its bus one after another; every run with its
// record, its JSON line and its row in the summary.
#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"

namespace kq::cli {

// Runs every upgrade the options ask for; returns the exit status (the most
// severe of the runs').
int runFlashCommand(const FlashOptions& options, std::FILE* out, std::FILE* err);

// What flash finds wrong with the options' ports before any run (two names
// of one port, no slot left for a device), touching none: "" when nothing,
// else the error and status its exit status. check asks it too.
std::string portsProblem(const FlashOptions& options, int& status);

}  // namespace kq::cli
