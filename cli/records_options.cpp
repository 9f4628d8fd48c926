#include "cli/records_options.h"

#include <array>
#include <charconv>
#include <optional>

#include "formats/option_reader.h"
#include "link/module_address.h"

namespace kq::cli {

namespace {

constexpr size_t MaxLimit = 1000000;
constexpr size_t MaxTextChars = 200;  // a station name or a result word; longer is no such thing

constexpr std::array<KnownOption, 9> QueryOptionTable = {{
    {.name = "--records-db"},
    {.name = "--module"},
    {.name = "--sha256"},
    {.name = "--since"},
    {.name = "--until"},
    {.name = "--station"},
    {.name = "--result"},
    {.name = "--limit"},
    {.name = "--json", .takes = OptionTakes::OptionalValue},
}};

constexpr std::array<KnownOption, 1> PushOptionTable = {{
    {.name = "--records-db"},
}};

bool isLowerHex(std::string_view text) {
    for (char ch : text) {
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'))) return false;
    }
    return true;
}

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

// "YYYY-MM-DD", optionally followed by " hh:mm", ":ss" and ".mmm" (or 'T'
// for the blank): the start of a start time, which compares as text.
bool isTimeStart(std::string_view text) {
    constexpr std::string_view Shape = "dddd-dd-dd dd:dd:dd.ddd";
    if (text.size() < 10 || text.size() > Shape.size()) return false;
    if (text.size() != 10 && text.size() != 16 && text.size() != 19 && text.size() != 23) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char want = Shape[i];
        if (want == 'd' ? !isDigit(text[i]) : (text[i] != want && !(i == 10 && text[i] == 'T'))) return false;
    }
    return true;
}

std::string applyQuery(const CommandLine& line, RecordsOptions& options) {
    production::RecordFilter& filter = options.filter;
    if (const auto module = line.value("--module")) {
        if (!isValidModuleAddress(*module)) {
            return optionValueError("--module", *module, "up to 12 characters, pairs of two decimal digits or AA");
        }
        filter.moduleAddress = paddedAddress(*module);
    }
    if (const auto hash = line.value("--sha256")) {
        std::string lower = *hash;
        for (char& ch : lower) ch = (ch >= 'A' && ch <= 'F') ? char(ch - 'A' + 'a') : ch;
        if (lower.size() != 64 || !isLowerHex(lower)) return optionValueError("--sha256", *hash, "use 64 hex digits");
        filter.sha256 = lower;
    }
    for (const auto& [name, target] : {std::pair{"--since", &filter.since}, std::pair{"--until", &filter.until}}) {
        if (const auto time = line.value(name)) {
            if (!isTimeStart(*time)) return optionValueError(name, *time, "use YYYY-MM-DD or YYYY-MM-DD hh:mm[:ss[.mmm]]");
            std::string text = *time;
            if (text.size() > 10) text[10] = ' ';
            *target = text;
        }
    }
    for (const auto& [name, target] : {std::pair{"--station", &filter.station}, std::pair{"--result", &filter.result}}) {
        if (const auto text = line.value(name)) {
            if (text->empty() || text->size() > MaxTextChars) return optionValueError(name, *text, "use a word of at most 200 characters");
            *target = *text;
        }
    }
    if (const auto text = line.value("--limit")) {
        size_t limit = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), limit);
        if (text->empty() || error != std::errc() || end != text->data() + text->size() || limit < 1 || limit > MaxLimit) {
            return optionValueError("--limit", *text, "use 1 to 1000000");
        }
        filter.limit = limit;
    }
    for (const OptionEntry& entry : line.options) {
        if (entry.name != "--json") continue;
        if (entry.value) return "--json takes no value, got --json=" + *entry.value;
        options.json = true;
    }
    if (line.operands.size() > 1) return "records asks one folder, got " + line.operands[1] + " too";
    if (!line.operands.empty()) options.folder = line.operands[0];
    if (options.recordsDb.empty() && options.folder.empty()) {
        return "records needs a record folder or --records-db";
    }
    if (!options.recordsDb.empty() && !options.folder.empty()) {
        return "records asks either the database (--records-db) or a folder, not both";
    }
    return "";
}

std::string applyPush(const CommandLine& line, RecordsOptions& options) {
    if (options.recordsDb.empty()) return "records push needs --records-db";
    if (line.operands.empty()) return "records push needs the record folder";
    if (line.operands.size() > 1) return "records push sends one folder, got " + line.operands[1] + " too";
    options.folder = line.operands[0];
    return "";
}

}  // namespace

RecordsOptions parseRecordsArguments(std::span<const std::string> args) {
    RecordsOptions options;
    options.push = !args.empty() && args[0] == "push";
    if (options.push) args = args.subspan(1);
    const CommandLine line = options.push ? readCommandLine(args, PushOptionTable) : readCommandLine(args, QueryOptionTable);
    options.help = line.status == CommandLineStatus::Help;
    options.version = line.status == CommandLineStatus::Version;
    if (options.help || options.version) return options;
    if (line.status == CommandLineStatus::Error) {
        options.error = line.error;
        return options;
    }
    if (const auto connection = line.value("--records-db")) {
        if (connection->empty()) {
            options.error = "--records-db needs an ODBC connection string or a DSN";
            return options;
        }
        options.recordsDb = *connection;
    }
    options.error = options.push ? applyPush(line, options) : applyQuery(line, options);
    return options;
}

}  // namespace kq::cli
