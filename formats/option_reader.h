// The command-line rules every program of the project shares:
//   --name value and --name=value; a short name takes its value as -o value;
//   a separate value never looks like an option: "-x" or "--x" after an
//   option that needs a value leaves it without one (--name=-x gives it);
//   --help (or -h) and --version win over everything else on the line;
//   "--" ends the options: every later word is an operand, and so is "-";
//   an option may be given once, unless its program lets it repeat.
// The reader checks only this form; what a value means is the program's.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

enum class OptionTakes {
    Value,          // --name value or --name=value
    OptionalValue,  // --name alone, or --name=value
};

struct KnownOption {
    std::string_view name;             // "--port", or a short "-o"
    std::string_view alias = {};       // another spelling of the same option ("--output")
    OptionTakes takes = OptionTakes::Value;
    bool repeats = false;              // may be given more than once; every value is kept
};

struct OptionEntry {
    std::string name;                  // the option's name, whichever spelling was used
    std::optional<std::string> value;  // empty only when an optional value was left out
};

enum class CommandLineStatus { Run, Help, Version, Error };

struct CommandLine {
    CommandLineStatus status = CommandLineStatus::Run;
    std::string error;                  // for Error: what is wrong, naming the option
    std::vector<OptionEntry> options;   // in the order given
    std::vector<std::string> operands;  // the words that are not options

    bool given(std::string_view name) const;
    // The value of an option given once; nullopt when it was not given.
    std::optional<std::string> value(std::string_view name) const;
    // Every value of a repeating option, in the order given.
    std::vector<std::string> values(std::string_view name) const;
};

// args without the program name. When --help or --version comes up, status
// says which came first; otherwise the first mistake in the form is the error.
CommandLine readCommandLine(std::span<const std::string> args, std::span<const KnownOption> known);

// The error for a value an option cannot take: "--baud 300: use 1200, ... or
// 115200" (an empty value shows as "").
std::string optionValueError(std::string_view option, std::string_view value, std::string_view rule);

}  // namespace kq
