// Fault matrix, the stop button: pressed once at a message pump, the run ends
// at its next stop check with "暂停返回", a blank picture and the port
// closed. One cell per stop check of each path, plus the presses that come
// after the last check and so do not stop the run. The stop during an
// unanswered handshake is in the handshake cells of the local matrix. (The
// check after a frame that succeeds at its second attempt follows the check
// after the retry line without a pump in between: no press can reach it.)
#include "e2e/fault_matrix.h"

namespace kq::testing {
namespace {

using E = RunEnding;
using S = RunStep;
using Args = std::vector<std::string>;

const std::vector<std::string> Pressed = {Time, "停止启动"};  // what the stop button logs in a run
const std::vector<std::string> Back = {"暂停返回"};
const auto Contact = join({FileRead, FlagAndReset});

class StopChecks : public ::testing::TestWithParam<Cell> {};
TEST_P(StopChecks, EndsAsExpected) { checkCell(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Local, StopChecks,
    ::testing::Values(
        // The handshake loop looks at the stop only after an unanswered
        // attempt; an answered one goes on to the erase and its check.
        Cell{"DuringAnsweredHandshake", Path::Local, Args{},
             join({FileRead, {Time, "对接开始"}, Pressed, {"对接成功"}, Erase, Back}), E::Stopped, S::Erase,
             {{"erase-all", 1}, {"write-sector", 0}}, Installed::NotImage, "对接开始"},
        Cell{"AfterErase", Path::Local, Args{}, join({FileRead, Handshake, Erase, Pressed, Back}), E::Stopped,
             S::Erase, {{"erase-all", 1}, {"write-sector", 0}}, Installed::NotImage, "擦除成功"},
        Cell{"AfterFailedSectorWrite", Path::Local, Args{"--error-bit", "write-sector:1"},
             join({FileRead, Handshake, Erase, {"写入开始", "! 重新写入"}, Pressed, Back}), E::Stopped, S::Write,
             {{"write-sector", 1}, {"erase-sector", 0}}, Installed::NotImage, "重新写入"},
        // Pumps: 8 is the sector's, 9 the retry line's, 10 follows the sector erase.
        Cell{"AfterSectorErase", Path::Local, Args{"--error-bit", "write-sector:1"},
             join({FileRead, Handshake, Erase, {"写入开始", "! 重新写入"}, Pressed, Back}), E::Stopped, S::Write,
             {{"write-sector", 1}, {"erase-sector", 1}}, Installed::NotImage, nullptr, 10},
        // Pressed as the sector begins: the sector is written, then the check stops.
        Cell{"AfterSectorWritten", Path::Local, Args{}, join({FileRead, Handshake, Erase, {"写入开始"}, Pressed, Back}),
             E::Stopped, S::Write, {{"write-sector", 1}, {"read-crc", 0}}, Installed::Image, "写入开始"},
        Cell{"DuringCheckNotHonoured", Path::Local, Args{},
             join({FileRead, Handshake, Erase, Write, {"检测开始"}, Pressed,
                   {"检测成功", "程序跳转", Time, "升级成功"}}),
             E::Success, S::None, {{"jump", 1}}, Installed::Image, "检测开始"}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    NoBackup, StopChecks,
    ::testing::Values(
        // Flag and reset have no check: the first is after the erase.
        Cell{"DuringResetWait", Path::NoBackup, Args{},
             join({FileRead, {Time, "写入升级标志", "写入升级标志成功", "复位模块"}, Pressed, {"等待2秒"}, Erase,
                   Back}),
             E::Stopped, S::Erase, {{"erase-all", 1}, {"write-sector", 0}}, Installed::NotImage, "复位模块"},
        Cell{"AfterErase", Path::NoBackup, Args{}, join({Contact, Erase, Pressed, Back}), E::Stopped, S::Erase,
             {{"write-sector", 0}}, Installed::NotImage, "擦除成功"},
        Cell{"AfterFailedSectorWrite", Path::NoBackup, Args{"--error-bit", "write-sector:1"},
             join({Contact, Erase, {"写入开始", "! 重新写入"}, Pressed, Back}), E::Stopped, S::Write,
             {{"erase-sector", 0}}, Installed::NotImage, "重新写入"},
        Cell{"AfterSectorWritten", Path::NoBackup, Args{}, join({Contact, Erase, {"写入开始"}, Pressed, Back}),
             E::Stopped, S::Write, {{"write-sector", 1}, {"read-crc", 0}}, Installed::Image, "写入开始"}),
    cellName);

INSTANTIATE_TEST_SUITE_P(
    Backup, StopChecks,
    ::testing::Values(
        Cell{"AfterFailedConfigure", Path::Backup, Args{"--error-bit", "remote-configure:1"},
             join({FileRead, {"配置开始", "! 重新配置"}, Pressed, Back}), E::Stopped, S::Configure,
             {{"remote-configure", 1}}, Installed::NotImage, "重新配置"},
        Cell{"AfterConfigure", Path::Backup, Args{}, join({FileRead, Configure, Pressed, Back}), E::Stopped,
             S::Configure, {{"remote-write", 0}}, Installed::NotImage, "配置成功"},
        Cell{"AfterFailedFrame", Path::Backup, Args{"--error-bit", "remote-write:1"},
             join({FileRead, Configure, {"写入开始", "! 重新写入"}, Pressed, Back}), E::Stopped, S::Write,
             {{"remote-write", 1}}, Installed::NotImage, "重新写入"},
        // Frames that succeed go out without a pump: the stop waits for the sector's end.
        Cell{"DuringSectorFrames", Path::Backup, Args{}, join({FileRead, Configure, {"写入开始"}, Pressed, Back}),
             E::Stopped, S::Write, {{"remote-write", 4}, {"remote-verify", 0}}, Installed::NotImage, "写入开始"},
        Cell{"AfterFailedVerify", Path::Backup, Args{"--error-bit", "remote-verify:1"},
             join({FileRead, Configure, Write, {"校验开始", "! 重新校验"}, Pressed, Back}), E::Stopped, S::Verify,
             {{"remote-verify", 1}, {"remote-reset", 0}}, Installed::NotImage, "重新校验"},
        Cell{"AfterVerify", Path::Backup, Args{},
             join({FileRead, Configure, Write, {"校验开始", "校验成功"}, Pressed, Back}), E::Stopped, S::Verify,
             {{"remote-reset", 0}}, Installed::NotImage, "校验成功"},
        // Pump 12 comes just before the resets, after the last check.
        Cell{"BeforeResetsNotHonoured", Path::Backup, Args{},
             join({FileRead, Configure, Write, {"校验开始", "校验成功"}, Pressed, {"程序复位", "升级成功"}}),
             E::Success, S::None, {{"remote-reset", 2}}, Installed::Image, nullptr, 12}),
    cellName);

}  // namespace
}  // namespace kq::testing
