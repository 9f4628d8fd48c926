// The command line of flashwright-cli: subcommand, options and their checks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/records_options.h"
#include "production/flash_plan.h"

namespace kq::cli {

enum class CliCommand { None, Ports, Flash, Check, Records };

// The plan of flash and check, and how their results are shown.
struct FlashOptions : production::FlashPlan {
    // handshakeTimeoutMs holds what --handshake-timeout gave, 0 when not
    // given: flash replaces it by effectiveHandshakeTimeoutMs.
    bool json = false;  // one JSON object per run on stdout
    std::string recordsDb;  // --records-db as given (secrets in it: never shown unmasked); needs logDir
};

struct ParsedArgs {
    CliCommand command = CliCommand::None;
    bool help = false;     // --help given: print the help of the command (or of the tool)
    bool version = false;  // --version given: print the version
    FlashOptions flash;    // of flash and of check
    bool portsJson = false;  // ports --json: one JSON object per port
    RecordsOptions records;  // of records and records push
    std::string error;     // non-empty: a usage error, to be reported with exit status 2
};

// args without the program name.
ParsedArgs parseArguments(const std::vector<std::string>& args);

// How long an unanswered handshake may go on: what --handshake-timeout gave;
// without it, for ever (0) when a person runs us at a terminal, else
// ScriptHandshakeTimeoutMs, so that a script never waits for ever.
inline constexpr int ScriptHandshakeTimeoutMs = 30000;
int effectiveHandshakeTimeoutMs(int givenMs, bool inputIsTerminal);

}  // namespace kq::cli
