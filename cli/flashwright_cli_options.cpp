#include "flashwright_cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>

#include "image/hex_digits.h"
#include "link/serial_port.h"
#include "link/module_address.h"

namespace kq::cli {

namespace {

constexpr int MaxHexDigits = 8;           // a 32-bit offset
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
    return std::string(option) + " " + *value + ": use " + choiceWords(choices);
}

std::string chooseNumber(std::string_view option, const std::optional<std::string>& value,
                         std::span<const int> numbers, int& index) {
    if (!value) return "";
    if (const std::optional<int> found = numberIndex(numbers, *value)) {
        index = *found;
        return "";
    }
    return std::string(option) + " " + *value + ": use " + numberWords(numbers);
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

// Every option of flash takes a value.
struct FlashValues {
    std::optional<std::string> port, baud, parity, chip, type, userOffset, upgradeOffset, area, address, frame,
        handshakeTimeout;
    std::vector<std::string> files;
};

std::optional<std::string>* optionSlot(FlashValues& values, std::string_view name) {
    if (name == "port") return &values.port;
    if (name == "baud") return &values.baud;
    if (name == "parity") return &values.parity;
    if (name == "chip") return &values.chip;
    if (name == "type") return &values.type;
    if (name == "user-offset") return &values.userOffset;
    if (name == "upgrade-offset") return &values.upgradeOffset;
    if (name == "area") return &values.area;
    if (name == "address") return &values.address;
    if (name == "frame") return &values.frame;
    if (name == "handshake-timeout") return &values.handshakeTimeout;
    return nullptr;
}

// Collects "--name value", "--name=value" and the file; returns an error text or "".
std::string collectFlashValues(const std::vector<std::string>& args, size_t from, FlashValues& values) {
    bool optionsEnded = false;
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            values.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!arg.starts_with("--")) return "unknown option " + arg;
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        std::optional<std::string>* slot = optionSlot(values, name);
        if (slot == nullptr) return "unknown option --" + name;
        if (equals != std::string::npos) {
            *slot = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            *slot = args[++i];
        } else {
            return "--" + name + " needs a value";
        }
    }
    return "";
}

std::string applyFlashValues(const FlashValues& values, FlashOptions& options) {
    if (!values.port) return "--port is required";
    if (values.files.empty()) return "the HEX file is missing";
    if (values.files.size() > 1) return "only one HEX file can be flashed, got " + values.files[1] + " too";
    if (values.port->empty()) return "--port needs a port (COM1..COM32) or a device";
    if (comPortNumber(*values.port) < 0) return "--port " + *values.port + ": ports run from COM1 to COM32";

    UpgradeSettings& s = options.settings;
    options.portText = *values.port;
    s.hexPath = values.files[0];

    for (const std::string& error : {chooseNumber("--baud", values.baud, BaudRates, s.baudRate),
                                     chooseFrom("--parity", values.parity, ParityChoices, s.parity),
                                     chooseFrom("--chip", values.chip, ChipFamilyChoices, s.chipFamily),
                                     chooseFrom("--type", values.type, BootloadTypeChoices, s.bootloadType),
                                     chooseNumber("--frame", values.frame, FrameDataLengths, s.frameDataLength)}) {
        if (!error.empty()) return error;
    }
    applyTypeDefaults(s);

    if (values.userOffset) {
        if (!isHexOffset(*values.userOffset)) return "--user-offset " + *values.userOffset + ": not a hex number";
        s.userOffsetHex = withoutHexPrefix(*values.userOffset);
    }
    if (values.upgradeOffset) {
        if (!isHexOffset(*values.upgradeOffset)) {
            return "--upgrade-offset " + *values.upgradeOffset + ": not a hex number";
        }
        s.upgradeOffsetHex = withoutHexPrefix(*values.upgradeOffset);
    }
    if (values.area) {
        const std::optional<int> area = decimalNumber(*values.area);
        if (!area || *area < 1 || *area > MaxAreaKiB) return "--area " + *values.area + ": use 1 to 512 (KiB)";
        s.upgradeAreaKiB = *area;
    }
    if (values.address) {
        if (!isValidModuleAddress(*values.address)) {
            return "--address " + *values.address +
                   ": up to 12 characters, pairs of two decimal digits or AA (e.g. AAAAAAAAAAAA, 000000001234)";
        }
        s.moduleAddress = *values.address;
    }
    if (values.handshakeTimeout) {
        const std::string& text = *values.handshakeTimeout;
        char* end = nullptr;
        const double seconds = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
            seconds > MaxHandshakeSeconds) {
            return "--handshake-timeout " + text + ": use a number of seconds above 0";
        }
        options.handshakeTimeoutMs = std::max(1, int(std::lround(seconds * 1000.0)));
    }
    return "";
}

bool isHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

int comPortNumber(std::string_view text) {
    if (text.size() < 4 || (text[0] != 'C' && text[0] != 'c') || (text[1] != 'O' && text[1] != 'o') ||
        (text[2] != 'M' && text[2] != 'm')) {
        return 0;
    }
    std::string_view digits = text.substr(3);
    if (digits.starts_with(' ')) digits.remove_prefix(1);
    if (digits.empty()) return 0;
    for (char ch : digits) {
        if (ch < '0' || ch > '9') return 0;
    }
    const std::optional<int> number = decimalNumber(digits);  // none when out of int range
    return number && *number >= 1 && *number <= MaxPorts ? *number : -1;
}

ParsedArgs parseArguments(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (args.empty()) {
        parsed.error = "a command is missing (ports or flash)";
        return parsed;
    }
    const std::string& first = args[0];
    if (isHelp(first)) {
        parsed.help = true;
        return parsed;
    }
    if (first == "ports") {
        parsed.command = CliCommand::Ports;
        for (size_t i = 1; i < args.size(); ++i) {
            if (isHelp(args[i])) {
                parsed.help = true;
                return parsed;
            }
        }
        if (args.size() > 1) parsed.error = "ports takes no options, got " + args[1];
        return parsed;
    }
    if (first == "flash") {
        parsed.command = CliCommand::Flash;
        for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
            if (isHelp(args[i])) {
                parsed.help = true;
                return parsed;
            }
        }
        FlashValues values;
        parsed.error = collectFlashValues(args, 1, values);
        if (parsed.error.empty()) parsed.error = applyFlashValues(values, parsed.flash);
        return parsed;
    }
    parsed.error = first.starts_with("-") ? "unknown option " + first : "unknown command " + first;
    return parsed;
}

}  // namespace kq::cli
