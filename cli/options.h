// The command line of flashwright-cli: subcommand, options and their checks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "upgrade/upgrade_settings.h"

namespace kq::cli {

enum class CliCommand { None, Ports, Flash, Check };

struct FlashOptions {
    UpgradeSettings settings;             // portNumber stays 0: the port texts are resolved later
    std::vector<std::string> portTexts;   // "COMn" or device paths, in the order given; one run per port
    // Modules flashed one after another on every port (remote upgrade with
    // backup); empty: the one module of settings.moduleAddress.
    std::vector<std::string> moduleAddresses;
    int handshakeTimeoutMs = 0;  // 0 = not given (see effectiveHandshakeTimeoutMs)
    std::string logDir;          // "" = no record files
    bool json = false;           // one JSON object per run on stdout
};

struct ParsedArgs {
    CliCommand command = CliCommand::None;
    bool help = false;     // --help given: print the help of the command (or of the tool)
    bool version = false;  // --version given: print the version
    FlashOptions flash;    // of flash and of check
    bool portsJson = false;  // ports --json: one JSON object per port
    std::string error;     // non-empty: a usage error, to be reported with exit status 2
};

// args without the program name.
ParsedArgs parseArguments(const std::vector<std::string>& args);

// n for "COMn", "comn" or "COM n" with n in 1..32; 0 for a text of another
// form (a device path); -1 for a COM number outside 1..32.
int comPortNumber(std::string_view text);

// How long an unanswered handshake may go on: what --handshake-timeout gave;
// without it, for ever (0) when a person runs us at a terminal, else
// ScriptHandshakeTimeoutMs, so that a script never waits for ever.
inline constexpr int ScriptHandshakeTimeoutMs = 30000;
int effectiveHandshakeTimeoutMs(int givenMs, bool inputIsTerminal);

}  // namespace kq::cli
