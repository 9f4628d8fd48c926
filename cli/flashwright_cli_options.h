// The command line of flashwright-cli: subcommand, options and their checks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "upgrade/upgrade_settings.h"

namespace kq::cli {

enum class CliCommand { None, Ports, Flash };

struct FlashOptions {
    UpgradeSettings settings;  // portNumber stays 0: the port text is resolved later
    std::string portText;      // "COMn" or a device path
    int handshakeTimeoutMs = 0;  // 0 = the handshake repeats until stopped
};

struct ParsedArgs {
    CliCommand command = CliCommand::None;
    bool help = false;     // --help given: print the help of the command (or of the tool)
    bool version = false;  // --version given: print the version
    FlashOptions flash;
    std::string error;   // non-empty: a usage error, to be reported with exit status 2
};

// args without the program name.
ParsedArgs parseArguments(const std::vector<std::string>& args);

// n for "COMn", "comn" or "COM n" with n in 1..32; 0 for a text of another
// form (a device path); -1 for a COM number outside 1..32.
int comPortNumber(std::string_view text);

}  // namespace kq::cli
