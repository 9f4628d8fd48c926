// The exit status and hint of each ending of a run, and of several runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "production/outcome.h"

namespace kq::production {
namespace {

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
}  // namespace kq::production
