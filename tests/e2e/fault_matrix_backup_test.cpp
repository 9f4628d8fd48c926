// Fault matrix, remote path with backup: module-addressed configure, the
// image in 128-byte frames, the module's verify and two resets. Requests of a
// one-sector run: remote-configure 1, remote-write 2 to 5, remote-verify 6,
// remote-reset 7 and 8. The image reaches the user-program area only when a
// reset comes after a good verify.
#include "e2e/fault_matrix.h"

namespace kq::testing {
namespace {

using E = RunEnding;
using S = RunStep;
using Args = std::vector<std::string>;

const auto Success = join({FileRead, Configure, Write, VerifyAndReset});
const auto ConfigureFailed = join({FileRead, {"配置开始", "! 重新配置", "! 配置失败"}});
const auto ConfiguredAgain = join({FileRead, {"配置开始", "! 重新配置", "配置成功"}, Write, VerifyAndReset});
const auto WriteFailed = join({FileRead, Configure, {"写入开始", "! 重新写入", "! 写入失败"}});
const auto FrameAgain = join({FileRead, Configure, WriteAgain, VerifyAndReset});
const auto VerifyFailed = join({FileRead, Configure, Write, {"校验开始", "! 重新校验", "! 校验失败"}});
const auto VerifiedAgain =
    join({FileRead, Configure, Write, {"校验开始", "! 重新校验", "校验成功", "程序复位", "升级成功"}});

class BackupFaults : public ::testing::TestWithParam<Cell> {};
TEST_P(BackupFaults, EndsAsExpected) { checkCell(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Configure, BackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Backup, Args{"--silent", "remote-configure:1"}, ConfiguredAgain, E::Success, S::None,
             {{"remote-configure", 2}}, Installed::Image},
        Cell{"SilentAlways", Path::Backup, Args{"--silent", "remote-configure"}, ConfigureFailed, E::FailedWithCross,
             S::Configure, {{"remote-configure", 2}, {"remote-write", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::Backup, Args{"--error-bit", "remote-configure"}, ConfigureFailed, E::FailedWithCross,
             S::Configure, {{"remote-configure", 2}, {"remote-write", 0}}, Installed::NotImage},
        Cell{"ForeignOnce", Path::Backup, Args{"--foreign", "remote-configure:1"}, ConfiguredAgain, E::Success,
             S::None, {{"remote-configure", 2}}, Installed::Image},
        // Refused once, then the line goes: the second attempt fails at once.
        Cell{"HangUp", Path::Backup, Args{"--error-bit", "remote-configure:1", "--hangup-after", "1"},
             ConfigureFailed, E::FailedWithCross, S::Configure, {{"remote-configure", 1}}, Installed::NotImage},
        Cell{"UnpluggedBeforeTheRun", Path::Backup, Args{"--hangup-after", "0"},
             join({FileRead, {"! 通信口打不开", "! 串口打开失败"}}), E::FailedWithoutPicture, S::Port,
             {{"remote-configure", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    Frame, BackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Backup, Args{"--silent", "remote-write:1"}, FrameAgain, E::Success, S::None,
             {{"remote-write", 5}}, Installed::Image},
        Cell{"SilentAlways", Path::Backup, Args{"--silent", "remote-write"}, WriteFailed, E::FailedWithCross,
             S::Write, {{"remote-write", 2}, {"remote-verify", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::Backup, Args{"--error-bit", "remote-write"}, WriteFailed, E::FailedWithCross,
             S::Write, {{"remote-write", 2}, {"remote-verify", 0}}, Installed::NotImage},
        Cell{"ForeignOnce", Path::Backup, Args{"--foreign", "remote-write:1"}, FrameAgain, E::Success, S::None,
             {{"remote-write", 5}}, Installed::Image},
        // The line goes after the first frame: the second fails twice.
        Cell{"HangUp", Path::Backup, Args{"--hangup-after", "2"}, WriteFailed, E::FailedWithCross, S::Write,
             {{"remote-write", 1}, {"remote-verify", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    Verify, BackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Backup, Args{"--silent", "remote-verify:1"}, VerifiedAgain, E::Success, S::None,
             {{"remote-verify", 2}, {"remote-reset", 2}}, Installed::Image},
        Cell{"SilentAlways", Path::Backup, Args{"--silent", "remote-verify"}, VerifyFailed, E::FailedWithCross,
             S::Verify, {{"remote-verify", 2}, {"remote-reset", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::Backup, Args{"--error-bit", "remote-verify"}, VerifyFailed, E::FailedWithCross,
             S::Verify, {{"remote-verify", 2}, {"remote-reset", 0}}, Installed::NotImage},
        Cell{"ForeignOnce", Path::Backup, Args{"--foreign", "remote-verify:1"}, VerifiedAgain, E::Success, S::None,
             {{"remote-verify", 2}}, Installed::Image},
        Cell{"HangUp", Path::Backup, Args{"--hangup-after", "5"}, VerifyFailed, E::FailedWithCross, S::Verify,
             {{"remote-verify", 0}, {"remote-reset", 0}}, Installed::NotImage}),
    cellName);

// The resets await no reply: the run reports success whatever becomes of
// them, so a module that missed both still holds its old program.
INSTANTIATE_TEST_SUITE_P(
    Reset, BackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Backup, Args{"--silent", "remote-reset:1"}, Success, E::Success, S::None,
             {{"remote-reset", 2}}, Installed::Image},
        Cell{"SilentAlways", Path::Backup, Args{"--silent", "remote-reset"}, Success, E::Success, S::None,
             {{"remote-reset", 2}}, Installed::NotImage},
        Cell{"ErrorBit", Path::Backup, Args{"--error-bit", "remote-reset"}, Success, E::Success, S::None,
             {{"remote-reset", 2}}, Installed::NotImage},
        Cell{"HangUp", Path::Backup, Args{"--hangup-after", "6"}, Success, E::Success, S::None,
             {{"remote-reset", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    Line, BackupFaults,
    ::testing::Values(Cell{"NoiseAndSplitReplies", Path::Backup, Args{"--noise", "40", "--split", "3"}, Success,
                           E::Success, S::None, {{"remote-write", 4}}, Installed::Image}),
    cellName);

}  // namespace
}  // namespace kq::testing
