// flashwright-cli: the upgrade run of flashwright from a terminal.
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/help.h"
#include "cli/options.h"
#include "cli/records_command.h"
#include "cli/station_command.h"
#include "platform/program_version.h"
#include "production/outcome.h"

namespace {

std::string_view helpOf(kq::cli::CliCommand command) {
    switch (command) {
        case kq::cli::CliCommand::Ports: return kq::cli::portsHelp();
        case kq::cli::CliCommand::Flash: return kq::cli::flashHelp();
        case kq::cli::CliCommand::Check: return kq::cli::checkHelp();
        case kq::cli::CliCommand::Records: return kq::cli::recordsHelp();
        case kq::cli::CliCommand::None: break;
    }
    return kq::cli::toolHelp();
}

const char* helpCall(kq::cli::CliCommand command) {
    switch (command) {
        case kq::cli::CliCommand::Ports: return "flashwright-cli ports --help";
        case kq::cli::CliCommand::Flash: return "flashwright-cli flash --help";
        case kq::cli::CliCommand::Check: return "flashwright-cli check --help";
        case kq::cli::CliCommand::Records: return "flashwright-cli records --help";
        case kq::cli::CliCommand::None: break;
    }
    return "flashwright-cli --help";
}

// flashwright-cli station ...: its own command line.
int runStation(const std::vector<std::string>& args) {
    using namespace kq::cli;
    StationOptions options;
    bool help = false;
    bool version = false;
    const std::string error =
        parseStationArguments(std::span<const std::string>(args).subspan(1), options, help, version);
    if (version) {
        std::fputs(kq::versionLine("flashwright-cli").c_str(), stdout);
        return kq::production::ExitSuccess;
    }
    if (help) {
        const std::string_view text = stationHelp();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kq::production::ExitSuccess;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "flashwright-cli: %s\nRun \"flashwright-cli station --help\" for usage.\n", error.c_str());
        return kq::production::ExitUsage;
    }
    return runStationCommand(options, stdout, stderr);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kq::cli;
    using namespace kq::production;
    kq::console::prepare();
    const std::vector<std::string> args = kq::console::arguments(argc, argv);
    if (!args.empty() && args[0] == "station") return runStation(args);
    const ParsedArgs parsed = parseArguments(args);
    if (parsed.version) {
        std::fputs(kq::versionLine("flashwright-cli").c_str(), stdout);
        return ExitSuccess;
    }
    if (parsed.help) {
        const std::string_view help = helpOf(parsed.command);
        std::fwrite(help.data(), 1, help.size(), stdout);
        return ExitSuccess;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "flashwright-cli: %s\nRun \"%s\" for usage.\n", parsed.error.c_str(),
                     helpCall(parsed.command));
        return ExitUsage;
    }
    switch (parsed.command) {
        case CliCommand::Ports: return runPortsCommand(parsed.portsJson, stdout, stderr);
        case CliCommand::Check: return runCheckCommand(parsed.flash, stdout, stderr);
        case CliCommand::Flash: return runFlashCommand(parsed.flash, stdout, stderr);
        case CliCommand::Records: return runRecordsCommand(parsed.records, stdout, stderr);
        case CliCommand::None: break;
    }
    return ExitUsage;
}
