// The command-line rules of every program: forms of a value, help and
// version, the end of the options, repeats, and the errors naming the option.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "formats/option_reader.h"

namespace kq {
namespace {

constexpr std::array<KnownOption, 4> KnownOptions = {{
    {.name = "--port", .repeats = true},
    {.name = "--baud"},
    {.name = "-o", .alias = "--output"},
    {.name = "--bad-crc", .takes = OptionTakes::OptionalValue},
}};

struct ReadCase {
    const char* name = "";
    std::vector<std::string> args{};
    CommandLineStatus status = CommandLineStatus::Run;
    std::string error{};
    std::string read{};  // the options and operands read, as "name=value;...|operand;..."
};

std::ostream& operator<<(std::ostream& out, const ReadCase& c) { return out << c.name; }

std::string readText(const CommandLine& line) {
    std::string text;
    for (const OptionEntry& entry : line.options) text += entry.name + (entry.value ? "=" + *entry.value : "") + ";";
    text += "|";
    for (const std::string& operand : line.operands) text += operand + ";";
    return text;
}

class ReadCommandLine : public ::testing::TestWithParam<ReadCase> {};

using enum CommandLineStatus;

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadCommandLine,
    ::testing::Values(
        ReadCase{"SeparateAndJoinedValues", {"--baud", "9600", "--port=COM1", "a.hex"}, Run, "",
                 "--baud=9600;--port=COM1;|a.hex;"},
        ReadCase{"JoinedValueMayHoldEqualsAndDashes", {"--baud==--x"}, Run, "", "--baud==--x;|"},
        ReadCase{"ShortNameAndAlias", {"-o", "x.hex", "--output=y.hex"}, Error, "--output may be given only once"},
        ReadCase{"ShortNameTakesNoJoinedValue", {"-o=x"}, Error, "unknown option -o=x"},
        ReadCase{"RepeatsKeepEveryValue", {"--port", "COM1", "--port", "COM2"}, Run, "",
                 "--port=COM1;--port=COM2;|"},
        ReadCase{"OnceOnlyOptionGivenTwice", {"--baud", "1200", "--baud", "2400"}, Error,
                 "--baud may be given only once"},
        ReadCase{"OptionalValueIsNeverTheNextWord", {"--bad-crc", "3"}, Run, "", "--bad-crc;|3;"},
        ReadCase{"DoubleDashEndsTheOptions", {"--baud", "1", "--", "--help", "-o"}, Run, "", "--baud=1;|--help;-o;"},
        ReadCase{"SingleDashIsAnOperand", {"-", "--baud", "-"}, Run, "", "--baud=-;|-;"},
        ReadCase{"UnknownOption", {"--frob", "1"}, Error, "unknown option --frob"},
        ReadCase{"UnknownJoinedOptionNamedWithoutItsValue", {"--frob=1"}, Error, "unknown option --frob"},
        ReadCase{"MissingValueAtTheEnd", {"a.hex", "--port"}, Error, "--port needs a value"},
        ReadCase{"NextOptionIsNotAValue", {"--port", "--baud", "9600"}, Error, "--port needs a value"},
        ReadCase{"NextShortOptionIsNotAValue", {"-o", "-x"}, Error, "-o needs a value"},
        ReadCase{"FirstMistakeIsTheOneReported", {"--frob", "--port"}, Error, "unknown option --frob"},
        ReadCase{"HelpWinsOverMistakes", {"--frob", "--port", "-h"}, Help},
        ReadCase{"HelpAsAMissingValue", {"--port", "--help"}, Help},
        ReadCase{"FirstOfHelpAndVersionWins", {"--version", "--help"}, Version},
        ReadCase{"HelpAfterDoubleDashIsAnOperand", {"--", "--version"}, Run, "", "|--version;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(ReadCommandLine, ReadsByTheSharedRules) {
    const ReadCase& c = GetParam();
    const CommandLine line = readCommandLine(c.args, KnownOptions);
    EXPECT_EQ(line.status, c.status);
    EXPECT_EQ(line.error, c.error);
    if (c.status == CommandLineStatus::Run) {
        EXPECT_EQ(readText(line), c.read);
    }
}

TEST(CommandLine, GivesTheValuesOfAnOptionByName) {
    const CommandLine line =
        readCommandLine(std::vector<std::string>{"--port", "COM1", "--output", "x", "--port=", "--bad-crc"}, KnownOptions);
    ASSERT_EQ(line.status, CommandLineStatus::Run) << line.error;
    EXPECT_EQ(line.values("--port"), (std::vector<std::string>{"COM1", ""}));
    EXPECT_EQ(line.value("-o"), "x");
    EXPECT_EQ(line.value("--baud"), std::nullopt);
    EXPECT_TRUE(line.given("--bad-crc"));
    EXPECT_FALSE(line.given("--baud"));
}

TEST(CommandLine, ValueErrorsNameOptionValueAndRule) {
    EXPECT_EQ(optionValueError("--baud", "300", "use 1200 or 2400"), "--baud 300: use 1200 or 2400");
    EXPECT_EQ(optionValueError("--log", "", "give a file"), "--log \"\": give a file");
}

}  // namespace
}  // namespace kq
