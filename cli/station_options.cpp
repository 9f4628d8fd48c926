#include "cli/station_options.h"

#include <array>
#include <charconv>
#include <vector>

#include "formats/option_reader.h"

namespace kq::cli {

namespace {

constexpr std::string_view PrintRecipe = "--print-recipe";
constexpr long long MaxCycles = 1000000000;

constexpr std::array<KnownOption, 5> StationOptionTable = {{
    {.name = "--log-dir"},
    {.name = "--records-db"},
    {.name = "--http"},
    {.name = "--json", .takes = OptionTakes::OptionalValue},
    {.name = "--cycles"},
}};

}  // namespace

std::string parseStationArguments(std::span<const std::string> args, StationOptions& options, bool& help,
                                  bool& version) {
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == PrintRecipe) {
            options.printRecipe = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (options.printRecipe) {
        // The options of flash, checked as check checks them.
        std::vector<std::string> asCheck = {"check"};
        asCheck.insert(asCheck.end(), rest.begin(), rest.end());
        ParsedArgs parsed = parseArguments(asCheck);
        help = parsed.help;
        version = parsed.version;
        if (help || version || !parsed.error.empty()) return parsed.error;
        if (parsed.flash.portTexts.empty()) return "--print-recipe needs the station's ports: give --port";
        if (parsed.flash.json) return "--print-recipe writes a recipe: --json goes into the station's command line";
        options.flash = std::move(parsed.flash);
        return "";
    }
    const CommandLine line = readCommandLine(rest, StationOptionTable);
    help = line.status == CommandLineStatus::Help;
    version = line.status == CommandLineStatus::Version;
    if (help || version) return "";
    if (line.status == CommandLineStatus::Error) return line.error;
    if (line.operands.empty()) return "the recipe is missing";
    if (line.operands.size() > 1) return "only one recipe can be given, got " + line.operands[1] + " too";
    options.recipePath = line.operands[0];
    if (const std::optional<std::string> folder = line.value("--log-dir")) {
        if (folder->empty()) return "--log-dir needs a folder";
        options.logDir = *folder;
    }
    if (const std::optional<std::string> connection = line.value("--records-db")) {
        if (connection->empty()) return "--records-db needs an ODBC connection string or a DSN";
        options.recordsDb = *connection;
    }
    for (const OptionEntry& entry : line.options) {
        if (entry.name != "--json") continue;
        if (entry.value) return "--json takes no value, got --json=" + *entry.value;
        options.json = true;
    }
    if (const std::optional<std::string> listen = line.value("--http")) {
        if (listen->empty()) return "--http needs [ADDRESS:]PORT";
        options.http = *listen;
    }
    if (const std::optional<std::string> text = line.value("--cycles")) {
        long long cycles = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), cycles);
        if (text->empty() || error != std::errc() || end != text->data() + text->size() || cycles < 1 ||
            cycles > MaxCycles) {
            return optionValueError("--cycles", *text, "use a number of cycles from 1");
        }
        options.cycles = cycles;
    }
    return "";
}

}  // namespace kq::cli
