// Fault matrix, local path: every command of the path against each fault the
// module can inject. Requests of a one-sector run: handshake 1, erase-all 2,
// write-sector 3, read-crc 4, jump 5 ("--hangup-after N" drops the line
// before request N + 1). The erase-sector cells need one refused sector write
// first, as the run erases a sector only before rewriting it.
#include "e2e/fault_matrix.h"

namespace kq::testing {
namespace {

using E = RunEnding;
using S = RunStep;
using Args = std::vector<std::string>;

const auto Success = join({FileRead, Handshake, Erase, Write, CheckAndJump});
const auto SuccessAfterRewrite = join({FileRead, Handshake, Erase, WriteAgain, CheckAndJump});
const std::vector<std::string> HandshakeStopped = join({FileRead, {Time, "对接开始"}, Stopped});
const std::vector<std::string> HandshakeLostPort = join({FileRead, {Time, "对接开始", "! 通信口打不开"}});
const auto EraseFailed = join({FileRead, Handshake, {"擦除开始", "! 擦除失败"}});
const auto WriteFailed = join({FileRead, Handshake, Erase, {"写入开始", "! 重新写入", "! 写入失败"}});
const auto RewriteEraseFailed = join({FileRead, Handshake, Erase, {"写入开始", "! 重新写入", "! 第1扇区写入失败"}});
const auto CheckFailed = join({FileRead, Handshake, Erase, Write, {"检测开始", "! 检测失败"}});
const auto Unplugged = join({FileRead, {"! 通信口打不开", "! 串口打开失败"}});

// The handshake repeats until answered or stopped: the cells that never get
// an answer press stop at pump 6, after three attempts (pumps 1 to 3 come
// before the first attempt, then one per failed attempt).
constexpr int StopAfterThreeHandshakes = 6;

class LocalFaults : public ::testing::TestWithParam<Cell> {};
TEST_P(LocalFaults, EndsAsExpected) { checkCell(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Handshake, LocalFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Local, Args{"--silent", "handshake:1"}, Success, E::Success, S::None,
             {{"handshake", 2}}, Installed::Image},
        Cell{"SilentAlwaysEndedByStop", Path::Local, Args{"--silent", "handshake"}, HandshakeStopped, E::Stopped,
             S::Handshake, {{"handshake", 3}, {"erase-all", 0}}, Installed::NotImage, nullptr,
             StopAfterThreeHandshakes},
        Cell{"ErrorBitEndedByStop", Path::Local, Args{"--error-bit", "handshake"}, HandshakeStopped, E::Stopped,
             S::Handshake, {{"handshake", 3}, {"erase-all", 0}}, Installed::NotImage, nullptr,
             StopAfterThreeHandshakes},
        Cell{"ForeignOnce", Path::Local, Args{"--foreign", "handshake:1"}, Success, E::Success, S::None,
             {{"handshake", 2}}, Installed::Image},
        // The line goes after one unanswered attempt: the rest fail at the
        // port, and after a few the run ends as a lost port.
        Cell{"HangUp", Path::Local, Args{"--silent", "handshake:1", "--hangup-after", "1"}, HandshakeLostPort,
             E::FailedWithoutPicture, S::Port, {{"handshake", 1}}, Installed::NotImage},
        Cell{"UnpluggedBeforeTheRun", Path::Local, Args{"--hangup-after", "0"}, Unplugged, E::FailedWithoutPicture,
             S::Port, {{"handshake", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    EraseAll, LocalFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Local, Args{"--silent", "erase-all:1"}, Success, E::Success, S::None,
             {{"erase-all", 2}}, Installed::Image},
        // Two failures, then a third erase that cannot change the outcome.
        Cell{"SilentAlways", Path::Local, Args{"--silent", "erase-all"}, EraseFailed, E::FailedWithCross, S::Erase,
             {{"erase-all", 3}, {"write-sector", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::Local, Args{"--error-bit", "erase-all"}, EraseFailed, E::FailedWithCross, S::Erase,
             {{"erase-all", 3}, {"write-sector", 0}}, Installed::NotImage},
        Cell{"ForeignOnce", Path::Local, Args{"--foreign", "erase-all:1"}, Success, E::Success, S::None,
             {{"erase-all", 2}}, Installed::Image},
        Cell{"HangUp", Path::Local, Args{"--hangup-after", "1"}, EraseFailed, E::FailedWithCross, S::Erase,
             {{"erase-all", 0}}, Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    WriteSector, LocalFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Local, Args{"--silent", "write-sector:1"}, SuccessAfterRewrite, E::Success, S::None,
             {{"write-sector", 2}, {"erase-sector", 1}}, Installed::Image},
        Cell{"SilentAlways", Path::Local, Args{"--silent", "write-sector"}, WriteFailed, E::FailedWithCross,
             S::Write, {{"write-sector", 2}, {"erase-sector", 1}, {"read-crc", 0}}, Installed::NotImage},
        Cell{"ErrorBit", Path::Local, Args{"--error-bit", "write-sector"}, WriteFailed, E::FailedWithCross, S::Write,
             {{"write-sector", 2}, {"erase-sector", 1}, {"read-crc", 0}}, Installed::NotImage},
        Cell{"ForeignOnce", Path::Local, Args{"--foreign", "write-sector:1"}, SuccessAfterRewrite, E::Success,
             S::None, {{"write-sector", 2}, {"erase-sector", 1}}, Installed::Image},
        // The write and the sector erase after it both meet a dead line.
        Cell{"HangUp", Path::Local, Args{"--hangup-after", "2"}, RewriteEraseFailed, E::FailedWithCross, S::Write,
             {{"write-sector", 0}}, Installed::NotImage}),
    cellName);

// The sector erase has a single attempt: silent once and always are one cell.
INSTANTIATE_TEST_SUITE_P(
    EraseSector, LocalFaults,
    ::testing::Values(
        Cell{"Silent", Path::Local, Args{"--error-bit", "write-sector:1", "--silent", "erase-sector"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 1}},
             Installed::NotImage},
        Cell{"ErrorBit", Path::Local, Args{"--error-bit", "write-sector:1", "--error-bit", "erase-sector"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 1}},
             Installed::NotImage},
        Cell{"Foreign", Path::Local, Args{"--error-bit", "write-sector:1", "--foreign", "erase-sector"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 1}},
             Installed::NotImage},
        Cell{"HangUp", Path::Local, Args{"--error-bit", "write-sector:1", "--hangup-after", "3"},
             RewriteEraseFailed, E::FailedWithCross, S::Write, {{"write-sector", 1}, {"erase-sector", 0}},
             Installed::NotImage}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    ReadCrc, LocalFaults,
    ::testing::Values(
        Cell{"SilentOnce", Path::Local, Args{"--silent", "read-crc:1"}, Success, E::Success, S::None,
             {{"read-crc", 2}}, Installed::Image},
        Cell{"SilentAlways", Path::Local, Args{"--silent", "read-crc"}, CheckFailed, E::FailedWithCross, S::Check,
             {{"read-crc", 2}, {"jump", 0}}, Installed::Image},
        Cell{"ErrorBit", Path::Local, Args{"--error-bit", "read-crc"}, CheckFailed, E::FailedWithCross, S::Check,
             {{"read-crc", 2}, {"jump", 0}}, Installed::Image},
        Cell{"ForeignOnce", Path::Local, Args{"--foreign", "read-crc:1"}, Success, E::Success, S::None,
             {{"read-crc", 2}}, Installed::Image},
        // A wrong CRC is not asked again.
        Cell{"CrcOff", Path::Local, Args{"--bad-crc=1"},
             join({FileRead, Handshake, Erase, Write, {"检测开始", "! CRC不一致，失败"}}), E::FailedWithCross,
             S::CrcMismatch, {{"read-crc", 1}, {"jump", 0}}, Installed::Image},
        Cell{"HangUp", Path::Local, Args{"--hangup-after", "3"}, CheckFailed, E::FailedWithCross, S::Check,
             {{"read-crc", 0}}, Installed::Image}),
    cellName);

// The jump awaits no reply: whatever becomes of it, the run has succeeded
// (a reply-level fault such as a foreign address cannot apply).
INSTANTIATE_TEST_SUITE_P(
    Jump, LocalFaults,
    ::testing::Values(
        Cell{"Silent", Path::Local, Args{"--silent", "jump"}, Success, E::Success, S::None, {{"jump", 1}},
             Installed::Image},
        Cell{"ErrorBit", Path::Local, Args{"--error-bit", "jump"}, Success, E::Success, S::None, {{"jump", 1}},
             Installed::Image},
        Cell{"HangUp", Path::Local, Args{"--hangup-after", "4"}, Success, E::Success, S::None, {{"jump", 0}},
             Installed::Image}),
    cellName);

// Line faults touch every reply of the run, so one cell covers every command.
INSTANTIATE_TEST_SUITE_P(
    Line, LocalFaults,
    ::testing::Values(
        Cell{"Noise", Path::Local, Args{"--noise", "40"}, Success, E::Success, S::None, {{"handshake", 1}},
             Installed::Image},
        Cell{"SplitReplies", Path::Local, Args{"--split", "4"}, Success, E::Success, S::None, {{"handshake", 1}},
             Installed::Image},
        Cell{"NoiseAndSplitReplies", Path::Local, Args{"--noise", "300", "--split", "3"}, Success, E::Success,
             S::None, {{"handshake", 1}, {"write-sector", 1}}, Installed::Image}),
    cellName);

}  // namespace
}  // namespace kq::testing
