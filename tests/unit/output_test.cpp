// What flashwright-cli prints: log lines with red marked, the progress line,
// and the exit status and hint of each ending.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "production/log_writer.h"
#include "cli/progress.h"
#include "production/outcome.h"

namespace kq::cli {

using namespace kq::production;
namespace {

using Lines = std::vector<std::string>;

struct Append {
    std::string text;
    int colour;
};

struct LogCase {
    const char* name = "";
    std::vector<Append> appends{};
    Lines prefixed{};  // output with RedMarking::Prefix
    Lines coloured{};  // output with RedMarking::Colours
};

std::ostream& operator<<(std::ostream& out, const LogCase& c) { return out << c.name; }

class LogLines : public ::testing::TestWithParam<LogCase> {};

INSTANTIATE_TEST_SUITE_P(
    Rows, LogLines,
    ::testing::Values(
        LogCase{"PlainLine", {{"擦除开始\r\n", LogBlack}}, {"擦除开始\n"}, {"擦除开始\n"}},
        LogCase{"RedLine", {{"擦除失败\r\n", LogRed}}, {"! 擦除失败\n"}, {"\x1b[31m擦除失败\x1b[0m\n"}},
        LogCase{"RedTextWithoutLineEndRunsIntoTheNext",
                {{"通信口没有选择", LogRed}, {"串口打开失败\r\n", LogRed}},
                {"! 通信口没有选择串口打开失败\n"},
                {"\x1b[31m通信口没有选择串口打开失败\x1b[0m\n"}},
        LogCase{"PlainThenRedOnOneLine",
                {{"第2扇区", LogBlack}, {"写入失败\r\n", LogRed}},
                {"! 第2扇区写入失败\n"},
                {"第2扇区\x1b[31m写入失败\x1b[0m\n"}},
        LogCase{"SeveralLinesInOneAppend",
                {{"a\r\nb\r\n", LogRed}},
                {"! a\n", "! b\n"},
                {"\x1b[31ma\x1b[0m\n", "\x1b[31mb\x1b[0m\n"}},
        LogCase{"LineEndSplitOverTwoAppends", {{"x\r", LogBlack}, {"\n", LogBlack}}, {"x\n"}, {"x\n"}},
        LogCase{"OpenLineIsHandedOverAtTheEnd", {{"tail", LogRed}}, {"! tail\n"}, {"\x1b[31mtail\x1b[0m\n"}},
        LogCase{"OtherColoursAreNotMarkedAsRed",
                {{"g\r\n", LogGreen}, {"y\r\n", 3}, {"b\r\n", 0x100}, {"k\r\n", 255}},
                {"g\n", "y\n", "b\n", "k\n"},
                {"\x1b[32mg\x1b[0m\n", "\x1b[33my\x1b[0m\n", "\x1b[34mb\x1b[0m\n", "k\n"}},
        LogCase{"RedCodeInTheLowBitsOnly", {{"r\r\n", 0x101}}, {"! r\n"}, {"\x1b[31mr\x1b[0m\n"}},
        LogCase{"EmptyLine", {{"\r\n", LogBlack}}, {"\n"}, {"\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

Lines writeAll(RedMarking marking, const std::vector<Append>& appends) {
    Lines lines;
    LogWriter writer(marking, [&](std::string_view line) { lines.emplace_back(line); });
    for (const Append& append : appends) writer.append(append.text, append.colour);
    writer.finish();
    return lines;
}

TEST_P(LogLines, BecomeWholeLinesWithRedMarked) {
    EXPECT_EQ(writeAll(RedMarking::Prefix, GetParam().appends), GetParam().prefixed);
    EXPECT_EQ(writeAll(RedMarking::Colours, GetParam().appends), GetParam().coloured);
}

TEST(LogWriter, HoldsALineUntilItEnds) {
    Lines lines;
    LogWriter writer(RedMarking::Prefix, [&](std::string_view line) { lines.emplace_back(line); });
    writer.append("通信口没有选择", LogRed);
    EXPECT_TRUE(lines.empty());
    writer.append("\r\n", LogBlack);
    EXPECT_EQ(lines, Lines{"! 通信口没有选择\n"});
    writer.finish();
    EXPECT_EQ(lines.size(), 1u);
}

TEST(ProgressText, ShowsBarSectorAndRate) {
    EXPECT_EQ(progressText(0, 4, -1), "[....................] sector 1/4");
    EXPECT_EQ(progressText(2, 4, 2048), "[##########..........] sector 3/4, 2048 B/s");
    EXPECT_EQ(progressText(4, 4, 1000), "[####################] sector 4/4, 1000 B/s");
}

TEST(ProgressLine, RateCountsTheSectorsWrittenSinceTheFirst) {
    ProgressLine line;
    EXPECT_FALSE(line.active());
    line.update(0, 10, 5000);
    EXPECT_EQ(line.text(), "[....................] sector 1/10");
    line.update(4, 10, 6000);  // four sectors in one second
    EXPECT_EQ(line.text(), "[########............] sector 5/10, 2048 B/s");
    line.update(0, 10, 9000);  // a new run starts the clock again
    EXPECT_EQ(line.text(), "[....................] sector 1/10");
}

// ---- exit status and hint -----------------------------------------------------------

struct OutcomeCase {
    const char* name = "";
    RunEnding ending = RunEnding::Success;
    RunStep step = RunStep::None;
    bool answered = false;
    int status = 0;
    const char* mentions = "";  // "" = no hint at all
    bool portFailed = false;    // the device failed during the run
};

std::ostream& operator<<(std::ostream& out, const OutcomeCase& c) { return out << c.name; }

class Outcomes : public ::testing::TestWithParam<OutcomeCase> {};

INSTANTIATE_TEST_SUITE_P(
    Rows, Outcomes,
    ::testing::Values(
        OutcomeCase{"Success", RunEnding::Success, RunStep::None, true, ExitSuccess, ""},
        OutcomeCase{"PortFailed", RunEnding::FailedWithoutPicture, RunStep::Port, false, ExitPortFailed,
                    "dialout"},
        OutcomeCase{"UpgradeFlagUnanswered", RunEnding::FailedWithoutPicture, RunStep::UpgradeFlag, false,
                    ExitModuleFailed, "bootloader"},
        OutcomeCase{"EraseUnanswered", RunEnding::FailedWithCross, RunStep::Erase, false, ExitModuleFailed,
                    "baud rate"},
        OutcomeCase{"EraseAfterAnswers", RunEnding::FailedWithCross, RunStep::Erase, true, ExitModuleFailed,
                    "erase"},
        OutcomeCase{"WriteAfterAnswers", RunEnding::FailedWithCross, RunStep::Write, true, ExitModuleFailed,
                    "write"},
        OutcomeCase{"CheckAfterAnswers", RunEnding::FailedWithCross, RunStep::Check, true, ExitModuleFailed,
                    "CRC"},
        OutcomeCase{"CrcMismatch", RunEnding::FailedWithCross, RunStep::CrcMismatch, true, ExitModuleFailed,
                    "user offset or chip type"},
        OutcomeCase{"ConfigureUnanswered", RunEnding::FailedWithCross, RunStep::Configure, false,
                    ExitModuleFailed, "wiring"},
        OutcomeCase{"ConfigureAfterAnswers", RunEnding::FailedWithCross, RunStep::Configure, true,
                    ExitModuleFailed, "module address"},
        OutcomeCase{"VerifyAfterAnswers", RunEnding::FailedWithCross, RunStep::Verify, true, ExitModuleFailed,
                    "verify"},
        OutcomeCase{"ModuleAddressIsUsage", RunEnding::FailedWithCross, RunStep::ModuleAddress, false, ExitUsage,
                    "AA"},
        OutcomeCase{"StoppedInHandshake", RunEnding::Stopped, RunStep::Handshake, false, ExitStopped,
                    "never answered"},
        OutcomeCase{"StoppedLater", RunEnding::Stopped, RunStep::Write, true, ExitStopped, ""},
        // An adapter pulled out: the port is named, not the line or the module.
        OutcomeCase{"WriteOnALostPort", RunEnding::FailedWithCross, RunStep::Write, true, ExitModuleFailed,
                    "COM3 (/dev/ttyUSB0) stopped working during the run (adapter unplugged?)", true},
        OutcomeCase{"EraseOnALostPort", RunEnding::FailedWithCross, RunStep::Erase, false, ExitModuleFailed,
                    "unplugged", true},
        OutcomeCase{"HandshakeOnALostPort", RunEnding::FailedWithoutPicture, RunStep::Port, true, ExitPortFailed,
                    "stopped working", true},
        OutcomeCase{"StoppedInHandshakeOnALostPort", RunEnding::Stopped, RunStep::Handshake, false, ExitStopped,
                    "unplugged", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(Outcomes, MapToExitStatusAndHint) {
    const OutcomeCase& c = GetParam();
    const RunOutcome outcome =
        describeOutcome({c.ending, c.step}, {c.answered, c.portFailed, "COM3", "/dev/ttyUSB0", "a.hex"});
    EXPECT_EQ(outcome.exitStatus, c.status);
    if (std::string(c.mentions).empty()) {
        EXPECT_EQ(outcome.hint, "");
    } else {
        EXPECT_NE(outcome.hint.find(c.mentions), std::string::npos) << outcome.hint;
    }
}

TEST(Outcome, PortHintNamesThePortAndItsDevice) {
    const RunResult port{RunEnding::FailedWithoutPicture, RunStep::Port};
    EXPECT_EQ(describeOutcome(port, {false, false, "COM3", "/dev/ttyUSB0", ""}).hint.find("COM3 (/dev/ttyUSB0)"), 0u);
    EXPECT_EQ(describeOutcome(port, {false, false, "/dev/ttyUSB0", "/dev/ttyUSB0", ""}).hint.find("/dev/ttyUSB0 could"), 0u);
    EXPECT_NE(describeOutcome(port, {false, false, "COM9", "", ""}).hint.find("COM9 names no serial device"), std::string::npos);
}

// The handshake time-out has a status of its own; a Ctrl-C in the same run wins.
TEST(Outcome, HandshakeTimeOutAndCtrlC) {
    const RunResult stopped{RunEnding::Stopped, RunStep::Handshake};
    RunContext context{false, false, "COM3", "/dev/ttyUSB0", "a.hex"};
    context.handshakeTimedOut = true;
    context.handshakeTimeoutMs = 30000;
    const RunOutcome timedOut = describeOutcome(stopped, context);
    EXPECT_EQ(timedOut.exitStatus, ExitHandshakeTimeout);
    EXPECT_TRUE(timedOut.hint.starts_with("no answer to the handshake within 30000 ms: the module never answered"))
        << timedOut.hint;
    context.interrupted = true;
    EXPECT_EQ(describeOutcome(stopped, context).exitStatus, ExitStopped);
    context.interrupted = false;
    EXPECT_EQ(describeOutcome({RunEnding::Stopped, RunStep::Write}, context).exitStatus, ExitStopped);
}

TEST(Outcome, APortHeldByItsLockFileNamesTheHolder) {
    RunContext context{false, false, "COM3", "/dev/ttyUSB0", "a.hex"};
    context.lockOwner = 4321;
    context.lockPath = "/run/lock/LCK..ttyUSB0";
    const RunOutcome outcome = describeOutcome({RunEnding::FailedWithoutPicture, RunStep::Port}, context);
    EXPECT_EQ(outcome.exitStatus, ExitPortFailed);
    EXPECT_EQ(outcome.hint, "COM3 (/dev/ttyUSB0) is in use: process 4321 holds its lock file /run/lock/LCK..ttyUSB0");
}

// Every pair of statuses, against the order from the most severe down.
TEST(Outcome, SeveralRunsEndWithTheMostSevereStatus) {
    const int order[] = {ExitUsage, ExitHexRefused, ExitStopped, ExitModuleFailed, ExitPortFailed,
                         ExitHandshakeTimeout, ExitSuccess};
    for (size_t i = 0; i < std::size(order); ++i) {
        for (size_t k = 0; k < std::size(order); ++k) {
            const int expected = order[std::min(i, k)];
            EXPECT_EQ(mostSevereStatus(order[i], order[k]), expected) << order[i] << " with " << order[k];
        }
    }
}

TEST(Outcome, ResultWords) {
    const std::pair<int, const char*> rows[] = {{0, "success"}, {1, "failed"},  {3, "refused"},
                                                {4, "port"},    {5, "stopped"}, {6, "timeout"}};
    for (const auto& [status, word] : rows) EXPECT_EQ(resultWord(status), word);
}

TEST(Outcome, RefusedFileHintNamesThePathAndTheReason) {
    const std::pair<HexLoadReport, std::string> rows[] = {
        {{HexLoadProblem::CannotOpen, FileOpenError::Missing, ""}, "\"/x/a.hex\": no such file"},
        {{HexLoadProblem::CannotOpen, FileOpenError::NotRegularFile, ""}, "\"/x/a.hex\": not a regular file"},
        {{HexLoadProblem::CannotOpen, FileOpenError::PermissionDenied, ""}, "\"/x/a.hex\": permission denied"},
        {{HexLoadProblem::CannotOpen, FileOpenError::Other, "I/O error"}, "\"/x/a.hex\": I/O error"},
        {{HexLoadProblem::NoData, FileOpenError::None, ""}, "\"/x/a.hex\": no data records: is this an Intel HEX file?"},
        {{HexLoadProblem::Malformed, FileOpenError::None, ""}, "every record must be well formed"},
        {{HexLoadProblem::OutsideWindow, FileOpenError::None, ""}, "every data record must lie inside the window"},
    };
    for (const auto& [report, hint] : rows) {
        const RunOutcome outcome =
            describeOutcome({RunEnding::FailedWithoutPicture, RunStep::File, report}, {false, false, "", "", "/x/a.hex"});
        EXPECT_EQ(outcome.exitStatus, ExitHexRefused);
        EXPECT_TRUE(outcome.hint.starts_with(hint)) << outcome.hint;
    }
}

}  // namespace
}  // namespace kq::cli
