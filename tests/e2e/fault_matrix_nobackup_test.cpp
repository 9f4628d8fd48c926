// Fault matrix, remote path without backup: the module runs its user program,
// which sets the upgrade flag and resets into the bootloader; then the steps
// of the local path follow. Requests of a one-sector run: upgrade-flag 1,
// reset 2, erase-all 3, write-sector 4, read-crc 5, jump 6. The slow
// time-out variants of the shared steps (silent always, foreign) run the
// same code as on the local path and are covered there.
#include "e2e/fault_matrix.h"

namespace kq::testing {
namespace {

using E = RunEnding;
using S = RunStep;
using Args = std::vector<std::string>;

const auto Contact = join({FileRead, FlagAndReset});
const auto Success = join({Contact, Erase, Write, CheckAndJump});
const auto FlagFailed = join({FileRead, {Time, "写入升级标志", "! 写入失败"}});
const auto EraseFailed = join({Contact, {"擦除开始", "! 擦除失败"}});
const auto WriteFailed = join({Contact, Erase, {"写入开始", "! 重新写入", "! 写入失败"}});
const auto RewriteEraseFailed = join({Contact, Erase, {"写入开始", "! 重新写入", "! 第1扇区写入失败"}});
const auto CheckFailed = join({Contact, Erase, Write, {"检测开始", "! 检测失败"}});

class NoBackupFaults : public ::testing::TestWithParam<Cell> {};
TEST_P(NoBackupFaults, EndsAsExpected) { checkCell(GetParam()); }

// The flag has a single attempt and its failure shows no picture.
INSTANTIATE_TEST_SUITE_P(
    UpgradeFlag, NoBackupFaults,
    ::testing::Values(
        Cell{"Silent", Path::NoBackup, Args{"--silent", "upgrade-flag"}, FlagFailed, E::FailedWithoutPicture,
             S::UpgradeFlag, {{"upgrade-flag", 1}, {"reset", 0}, {"erase-all", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::NoBackup, Args{"--error-bit", "upgrade-flag"}, FlagFailed, E::FailedWithoutPicture,
             S::UpgradeFlag, {{"upgrade-flag", 1}, {"reset", 0}}, Installed::NotImage},
        Cell{"Foreign", Path::NoBackup, Args{"--foreign", "upgrade-flag"}, FlagFailed, E::FailedWithoutPicture,
             S::UpgradeFlag, {{"upgrade-flag", 1}, {"reset", 0}}, Installed::NotImage},
        // Nothing comes before the flag: a line that is gone cannot be opened.
        Cell{"UnpluggedBeforeTheRun", Path::NoBackup, Args{"--hangup-after", "0"},
             join({FileRead, {"! 通信口打不开", "! 串口打开失败"}}), E::FailedWithoutPicture, S::Port,
             {{"upgrade-flag", 0}}, Installed::NotImage}),
    cellName);

// The reset awaits no reply, so its failure only shows at the erase: the user
// program goes on running and ignores bootloader commands.
INSTANTIATE_TEST_SUITE_P(
    Reset, NoBackupFaults,
    ::testing::Values(
        Cell{"Silent", Path::NoBackup, Args{"--silent", "reset"}, EraseFailed, E::FailedWithCross, S::Erase,
             {{"reset", 1}, {"erase-all", 3}, {"write-sector", 0}}, Installed::NotImage},
        Cell{"HangUp", Path::NoBackup, Args{"--hangup-after", "1"}, EraseFailed, E::FailedWithCross, S::Erase,
             {{"reset", 0}, {"erase-all", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    EraseAll, NoBackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::NoBackup, Args{"--silent", "erase-all:1"}, Success, E::Success, S::None,
             {{"erase-all", 2}}, Installed::Image},
        Cell{"ErrorBit", Path::NoBackup, Args{"--error-bit", "erase-all"}, EraseFailed, E::FailedWithCross,
             S::Erase, {{"erase-all", 3}, {"write-sector", 0}}, Installed::NotImage},
        Cell{"HangUp", Path::NoBackup, Args{"--hangup-after", "2"}, EraseFailed, E::FailedWithCross, S::Erase,
             {{"erase-all", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    WriteSector, NoBackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::NoBackup, Args{"--silent", "write-sector:1"},
             join({Contact, Erase, WriteAgain, CheckAndJump}), E::Success, S::None,
             {{"write-sector", 2}, {"erase-sector", 1}}, Installed::Image},
        Cell{"SilentAlways", Path::NoBackup, Args{"--silent", "write-sector"}, WriteFailed, E::FailedWithCross,
             S::Write, {{"write-sector", 2}, {"erase-sector", 1}, {"read-crc", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::NoBackup, Args{"--error-bit", "write-sector"}, WriteFailed, E::FailedWithCross,
             S::Write, {{"write-sector", 2}, {"erase-sector", 1}}, Installed::NotImage},
        Cell{"ForeignOnce", Path::NoBackup, Args{"--foreign", "write-sector:1"},
             join({Contact, Erase, WriteAgain, CheckAndJump}), E::Success, S::None, {{"write-sector", 2}},
             Installed::Image},
        Cell{"HangUp", Path::NoBackup, Args{"--hangup-after", "3"}, RewriteEraseFailed, E::FailedWithCross,
             S::Write, {{"write-sector", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    EraseSector, NoBackupFaults,
    ::testing::Values(
        Cell{"Silent", Path::NoBackup, Args{"--error-bit", "write-sector:1", "--silent", "erase-sector"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 1}},
             Installed::NotImage},
        Cell{"ErrorBit", Path::NoBackup, Args{"--error-bit", "write-sector:1", "--error-bit", "erase-sector"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 1}},
             Installed::NotImage},
        Cell{"HangUp", Path::NoBackup, Args{"--error-bit", "write-sector:1", "--hangup-after", "4"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 0}},
             Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    ReadCrc, NoBackupFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::NoBackup, Args{"--silent", "read-crc:1"}, Success, E::Success, S::None,
             {{"read-crc", 2}}, Installed::Image},
        Cell{"ErrorBit", Path::NoBackup, Args{"--error-bit", "read-crc"}, CheckFailed, E::FailedWithCross,
             S::Check, {{"read-crc", 2}, {"jump", 0}}, Installed::Image},
        Cell{"CrcOff", Path::NoBackup, Args{"--bad-crc"},
             join({Contact, Erase, Write, {"检测开始", "! CRC不一致，失败"}}), E::FailedWithCross, S::CrcMismatch,
             {{"read-crc", 1}, {"jump", 0}}, Installed::Image},
        Cell{"HangUp", Path::NoBackup, Args{"--hangup-after", "4"}, CheckFailed, E::FailedWithCross, S::Check,
             {{"read-crc", 0}}, Installed::Image}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    Jump, NoBackupFaults,
    ::testing::Values(
        Cell{"Silent", Path::NoBackup, Args{"--silent", "jump"}, Success, E::Success, S::None, {{"jump", 1}},
             Installed::Image},
        Cell{"HangUp", Path::NoBackup, Args{"--hangup-after", "5"}, Success, E::Success, S::None, {{"jump", 0}},
             Installed::Image}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    Line, NoBackupFaults,
    ::testing::Values(Cell{"NoiseAndSplitReplies", Path::NoBackup, Args{"--noise", "40", "--split", "3"}, Success,
                           E::Success, S::None, {{"upgrade-flag", 1}, {"reset", 1}}, Installed::Image}),
    cellName);

}  // namespace
}  // namespace kq::testing
