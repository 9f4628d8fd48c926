#include "cli/options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>

#include "formats/option_reader.h"
#include "image/hex_digits.h"
#include "link/serial_port.h"
#include "platform/new_file.h"
#include "production/address_list.h"

namespace kq::cli {

using namespace kq::production;

namespace {

constexpr int MaxHexDigits = 8;           // a 32-bit offset
constexpr const char* HexOffsetRule = "use a hex number of at most 8 digits";
constexpr int MaxAreaKiB = 512;           // the whole image
constexpr double MaxHandshakeSeconds = 86400.0;

// Sets index to the position of an option's value in its list; when the
// value is none of the list's words, an error text naming them.
std::string chooseFrom(std::string_view option, const std::optional<std::string>& value,
                       std::span<const NamedChoice> choices, int& index) {
    if (!value) return "";
    if (const std::optional<int> found = choiceIndex(choices, *value)) {
        index = *found;
        return "";
    }
    return optionValueError(option, *value, "use " + choiceWords(choices));
}

std::string chooseNumber(std::string_view option, const std::optional<std::string>& value,
                         std::span<const int> numbers, int& index) {
    if (!value) return "";
    if (const std::optional<int> found = numberIndex(numbers, *value)) {
        index = *found;
        return "";
    }
    return optionValueError(option, *value, "use " + numberWords(numbers));
}

bool isHexOffset(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > MaxHexDigits) return false;
    for (char ch : text) {
        if (!isHexDigit(ch)) return false;
    }
    return true;
}

std::string withoutHexPrefix(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    return std::string(text);
}

std::optional<int> decimalNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The options of flash and check; --port and --address may repeat.
constexpr std::array<KnownOption, 15> FlashOptionTable = {{
    {.name = "--port", .repeats = true},
    {.name = "--baud"},
    {.name = "--parity"},
    {.name = "--chip"},
    {.name = "--type"},
    {.name = "--user-offset"},
    {.name = "--upgrade-offset"},
    {.name = "--area"},
    {.name = "--address", .repeats = true},
    {.name = "--address-file"},
    {.name = "--frame"},
    {.name = "--handshake-timeout"},
    {.name = "--log-dir"},
    {.name = "--records-db"},
    {.name = "--json", .takes = OptionTakes::OptionalValue},
}};

constexpr std::array<KnownOption, 1> PortsOptionTable = {{
    {.name = "--json", .takes = OptionTakes::OptionalValue},
}};

// The modules to flash on each port, from --address or --address-file, each
// by the one rule of module addresses and kept as the 12 characters sent.
std::string applyAddresses(const CommandLine& line, FlashOptions& options) {
    UpgradeSettings& s = options.settings;
    std::vector<std::string> addresses;
    for (const std::string& text : line.values("--address")) {
        const std::optional<std::string> address = moduleAddressOf(text);
        if (!address) return optionValueError("--address", text, ModuleAddressRule);
        addresses.push_back(*address);
    }
    std::string option = "--address";
    std::string source = option;  // what a problem of the list names
    if (const std::optional<std::string> path = line.value("--address-file")) {
        if (!addresses.empty()) return "give the module addresses either with --address or with --address-file";
        if (path->empty()) return "--address-file needs a file";
        AddressList list = readAddressFile(*path);
        if (!list.error.empty()) return "--address-file " + list.error;
        addresses = std::move(list.addresses);
        option = "--address-file";
        source = option + " " + *path + ":";
    }
    if (addresses.empty()) return "";
    if (s.bootloadType != RemoteWithBackup && s.bootloadType != RemoteWithoutBackup) {
        return option + " names a module, but the local upgrade (--type local) sends no module address: use " +
               "--type backup or nobackup";
    }
    if (const std::string problem = addressListProblem(addresses); !problem.empty()) return source + " " + problem;
    if (addresses.size() > 1 && s.bootloadType != RemoteWithBackup) {
        // Only the module-addressed commands reach one module of a bus; the
        // others would reach every module at once.
        return "several module addresses need --type backup: the remote upgrade without backup sends no "
               "module address, so it can reach only one module per port";
    }
    if (addresses.size() == 1) s.moduleAddress = addresses[0];
    if (addresses.size() > 1) options.moduleAddresses = std::move(addresses);
    return "";
}

// The ports to run on, each once.
std::string applyPorts(const std::vector<std::string>& ports, FlashOptions& options) {
    for (size_t i = 0; i < ports.size(); ++i) {
        const std::string& port = ports[i];
        if (port.empty()) return "--port needs a port (COM1..COM32) or a device";
        if (comPortNumber(port) < 0) return optionValueError("--port", port, "ports run from COM1 to COM32");
        for (size_t k = 0; k < i; ++k) {
            if (ports[k] == port) return "--port " + port + " is given twice";
        }
    }
    options.portTexts = ports;
    return "";
}

// portRequired: flash needs a port; check takes the same options and
// checks them, but needs none.
std::string applyFlashValues(const CommandLine& line, FlashOptions& options, bool portRequired) {
    const std::vector<std::string> ports = line.values("--port");
    const std::vector<std::string>& files = line.operands;
    if (ports.empty() && portRequired) return "--port is required";
    if (files.empty()) return "the HEX file is missing";
    if (files.size() > 1) return "only one HEX file can be given, got " + files[1] + " too";
    if (const std::string error = applyPorts(ports, options); !error.empty()) return error;

    UpgradeSettings& s = options.settings;
    s.hexPath = files[0];

    for (const std::string& error :
         {chooseNumber("--baud", line.value("--baud"), BaudRates, s.baudRate),
          chooseFrom("--parity", line.value("--parity"), ParityChoices, s.parity),
          chooseFrom("--chip", line.value("--chip"), ChipFamilyChoices, s.chipFamily),
          chooseFrom("--type", line.value("--type"), BootloadTypeChoices, s.bootloadType),
          chooseNumber("--frame", line.value("--frame"), FrameDataLengths, s.frameDataLength)}) {
        if (!error.empty()) return error;
    }
    applyTypeDefaults(s);

    if (const std::optional<std::string> offset = line.value("--user-offset")) {
        if (!isHexOffset(*offset)) return optionValueError("--user-offset", *offset, HexOffsetRule);
        s.userOffsetHex = withoutHexPrefix(*offset);
    }
    if (const std::optional<std::string> offset = line.value("--upgrade-offset")) {
        if (!isHexOffset(*offset)) return optionValueError("--upgrade-offset", *offset, HexOffsetRule);
        s.upgradeOffsetHex = withoutHexPrefix(*offset);
    }
    if (const std::optional<std::string> text = line.value("--area")) {
        const std::optional<int> area = decimalNumber(*text);
        if (!area || *area < 1 || *area > MaxAreaKiB) return optionValueError("--area", *text, "use 1 to 512 (KiB)");
        s.upgradeAreaKiB = *area;
    }
    if (const std::string error = applyAddresses(line, options); !error.empty()) return error;
    if (const std::optional<std::string> text = line.value("--handshake-timeout")) {
        char* end = nullptr;
        const double seconds = std::strtod(text->c_str(), &end);
        if (text->empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
            seconds > MaxHandshakeSeconds) {
            return optionValueError("--handshake-timeout", *text, "use a number of seconds above 0");
        }
        options.handshakeTimeoutMs = std::max(1, int(std::lround(seconds * 1000.0)));
    }
    if (const std::optional<std::string> folder = line.value("--log-dir")) {
        if (folder->empty()) return "--log-dir needs a folder";
        // Checked here, for check as for flash; flash makes it only when it runs.
        if (const std::string refusal = folderRefusal(*folder); !refusal.empty()) {
            return "--log-dir " + *folder + ": " + refusal;
        }
        options.logDir = *folder;
    }
    if (const std::optional<std::string> connection = line.value("--records-db")) {
        if (connection->empty()) return "--records-db needs an ODBC connection string or a DSN";
        // The journal is the source of truth: the database only gets copies of its lines.
        if (options.logDir.empty()) return "--records-db needs --log-dir: the folder's journal keeps every record first";
        options.recordsDb = *connection;
    }
    for (const OptionEntry& entry : line.options) {
        if (entry.name != "--json") continue;
        if (entry.value) return "--json takes no value, got --json=" + *entry.value;
        options.json = true;
    }
    return "";
}

// Help and version end the reading, whatever else the line holds.
bool takeHelpOrVersion(const CommandLine& line, ParsedArgs& parsed) {
    parsed.help = line.status == CommandLineStatus::Help;
    parsed.version = line.status == CommandLineStatus::Version;
    return parsed.help || parsed.version;
}

}  // namespace

int effectiveHandshakeTimeoutMs(int givenMs, bool inputIsTerminal) {
    if (givenMs > 0) return givenMs;
    return inputIsTerminal ? 0 : ScriptHandshakeTimeoutMs;
}

ParsedArgs parseArguments(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (args.empty()) {
        parsed.error = "a command is missing (ports, flash, check, station or records)";
        return parsed;
    }
    const std::string& first = args[0];
    const std::span<const std::string> rest = std::span(args).subspan(1);
    if (first.starts_with("-")) {
        const CommandLine line = readCommandLine(args, {});
        if (!takeHelpOrVersion(line, parsed)) parsed.error = "unknown option " + first;
        return parsed;
    }
    if (first == "ports") {
        parsed.command = CliCommand::Ports;
        const CommandLine line = readCommandLine(rest, PortsOptionTable);
        if (takeHelpOrVersion(line, parsed)) return parsed;
        if (line.status == CommandLineStatus::Error) {
            parsed.error = "ports takes no options but --json: " + line.error;
        } else if (!line.operands.empty()) {
            parsed.error = "ports takes no options but --json, got " + line.operands[0];
        } else if (!line.options.empty() && line.options[0].value) {
            parsed.error = "--json takes no value, got --json=" + *line.options[0].value;
        }
        parsed.portsJson = line.given("--json");
        return parsed;
    }
    if (first == "flash" || first == "check") {
        parsed.command = first == "flash" ? CliCommand::Flash : CliCommand::Check;
        const CommandLine line = readCommandLine(rest, FlashOptionTable);
        if (takeHelpOrVersion(line, parsed)) return parsed;
        parsed.error = line.status == CommandLineStatus::Error
                           ? line.error
                           : applyFlashValues(line, parsed.flash, parsed.command == CliCommand::Flash);
        return parsed;
    }
    if (first == "records") {
        parsed.command = CliCommand::Records;
        parsed.records = parseRecordsArguments(rest);
        parsed.help = parsed.records.help;
        parsed.version = parsed.records.version;
        parsed.error = parsed.records.error;
        return parsed;
    }
    parsed.error = "unknown command " + first;
    return parsed;
}

}  // namespace kq::cli
