#include "formats/option_reader.h"

namespace kq {
namespace {

constexpr std::string_view EndOfOptions = "--";
constexpr std::string_view LongPrefix = "--";

// "-" alone names standard input or output by custom: an operand.
bool isOptionWord(std::string_view word) { return word.size() > 1 && word[0] == '-'; }

const KnownOption* findOption(std::span<const KnownOption> known, std::string_view name) {
    for (const KnownOption& option : known) {
        if (option.name == name || (!option.alias.empty() && option.alias == name)) return &option;
    }
    return nullptr;
}

}  // namespace

bool CommandLine::given(std::string_view name) const {
    for (const OptionEntry& entry : options) {
        if (entry.name == name) return true;
    }
    return false;
}

std::optional<std::string> CommandLine::value(std::string_view name) const {
    std::optional<std::string> found;
    for (const OptionEntry& entry : options) {
        if (entry.name == name) found = entry.value.value_or("");
    }
    return found;
}

std::vector<std::string> CommandLine::values(std::string_view name) const {
    std::vector<std::string> found;
    for (const OptionEntry& entry : options) {
        if (entry.name == name) found.push_back(entry.value.value_or(""));
    }
    return found;
}

CommandLine readCommandLine(std::span<const std::string> args, std::span<const KnownOption> known) {
    CommandLine line;
    std::optional<CommandLineStatus> asked;  // --help or --version, the first one given
    std::string error;                       // the first mistake
    const auto note = [&error](std::string text) {
        if (error.empty()) error = std::move(text);
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == EndOfOptions) {
            line.operands.insert(line.operands.end(), args.begin() + long(i) + 1, args.end());
            break;
        }
        if (!isOptionWord(word)) {
            line.operands.push_back(word);
            continue;
        }
        std::string_view name = word;
        std::optional<std::string> value;
        if (const size_t equals = word.find('='); word.starts_with(LongPrefix) && equals != std::string::npos) {
            name = name.substr(0, equals);
            value = word.substr(equals + 1);
        }
        if (name == "--help" || name == "-h" || name == "--version") {
            if (!asked) asked = name == "--version" ? CommandLineStatus::Version : CommandLineStatus::Help;
            continue;
        }
        const KnownOption* option = findOption(known, name);
        if (option == nullptr) {
            note("unknown option " + std::string(name));
            continue;
        }
        if (!value && option->takes == OptionTakes::Value) {
            if (i + 1 == args.size() || isOptionWord(args[i + 1])) {
                note(std::string(name) + " needs a value");
                continue;
            }
            value = args[++i];
        }
        if (!option->repeats && line.given(option->name)) note(std::string(name) + " may be given only once");
        line.options.push_back({std::string(option->name), std::move(value)});
    }
    if (asked) {
        line.status = *asked;
    } else if (!error.empty()) {
        line.status = CommandLineStatus::Error;
        line.error = std::move(error);
    }
    return line;
}

std::string optionValueError(std::string_view option, std::string_view value, std::string_view rule) {
    std::string text(option);
    text += ' ';
    text += value.empty() ? std::string_view("\"\"") : value;
    text += ": ";
    text += rule;
    return text;
}

}  // namespace kq
