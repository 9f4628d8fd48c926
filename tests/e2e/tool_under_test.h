// The command-line tools the end-to-end tests run: the Linux build's, or,
// when the environment names a Windows build's program folder in
// KQ_WINDOWS_BIN_DIR, its .exe files under Wine (in the prefix WINEPREFIX).
// The simulated module stays the Linux kqsim either way.
#pragma once

#include <string>
#include <vector>

#include "e2e/process_runner.h"

namespace kq::testing {

enum class Tool { Flasher, Merger };  // flashwright-cli, hexsplice-cli

// True when the tests run the Windows programs.
bool underWine();

// Runs the tool under test (under Wine when underWine()).
ProcessResult runTool(Tool tool, const std::vector<std::string>& args, const ProcessOptions& options = {},
                      const SignalOnOutput& trigger = {});

// The Linux build's program, whichever the tests run.
std::string linuxProgram(Tool tool);

}  // namespace kq::testing
