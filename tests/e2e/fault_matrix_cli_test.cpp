// Fault matrix through flashwright-cli: one cell per fault kind, for the exit
// status the command line gives each ending, and the same log as the run
// shows in process (the full matrix runs in process, fault_matrix_*_test).
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/fault_matrix.h"
#include "e2e/flasher_session.h"
#include "support/temp_hex_file.h"

namespace kq::testing {
namespace {

struct CliCell {
    const char* name;
    std::vector<std::string> simArgs;    // besides the family and the address
    std::vector<std::string> flashArgs;  // besides the port, chip, address, frame and file
    int exitCode;
    std::vector<std::string> lines;      // the transcript; empty: not checked
    bool unplugged = false;              // wait until the module has dropped its line
    std::string hint = "";               // expected in the hint on stderr; "" not checked
};

void PrintTo(const CliCell& cell, std::ostream* os) { *os << cell.name; }

const auto Local = std::vector<std::string>{"--mode", "boot"};
const auto App = std::vector<std::string>{"--mode", "app"};
const std::vector<std::string> Backup = {"--type", "backup"};

class CliFaults : public ::testing::TestWithParam<CliCell> {};

TEST_P(CliFaults, ExitStatusAndLog) {
    const CliCell& cell = GetParam();
    std::vector<std::string> simArgs = {"--family", "251", "--address", MatrixModuleAddress};
    simArgs.insert(simArgs.end(), cell.simArgs.begin(), cell.simArgs.end());
    FlasherSession session(simArgs);
    ASSERT_TRUE(session.ready()) << session.error();
    if (cell.unplugged) waitUntilUnplugged(session.sim().portName());

    test::TempHexFile hexFile;
    const std::string hex = hexFile.write(MatrixUserOffset, test::programBytes(MatrixProgramBytes));
    std::vector<std::string> args = {"--chip", "251", "--frame", "128"};
    // The local upgrade names no module.
    if (std::find(cell.flashArgs.begin(), cell.flashArgs.end(), "--type") != cell.flashArgs.end()) {
        args.insert(args.end(), {"--address", MatrixModuleAddress});
    }
    args.insert(args.end(), cell.flashArgs.begin(), cell.flashArgs.end());
    args.push_back(hex);
    const ProcessResult run = session.flash(args);
    EXPECT_TRUE(session.sim().stop());

    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitCode, cell.exitCode) << run.err;
    if (!cell.lines.empty()) {
        EXPECT_EQ(transcript(run.out), cell.lines) << run.err;
    }
    if (!cell.hint.empty()) {
        EXPECT_NE(run.err.find(cell.hint), std::string::npos) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachFaultKind, CliFaults,
    ::testing::Values(
        CliCell{"SilentOnce", join({Local, {"--silent", "write-sector:1"}}), {}, 0,
                join({FileRead, Handshake, Erase, WriteAgain, CheckAndJump})},
        // The endless handshake ends by the command line's own time-out.
        CliCell{"SilentAlways", join({Local, {"--silent", "handshake"}}), {"--handshake-timeout", "1"}, 6,
                join({FileRead, {Time, "对接开始"}, Stopped})},
        CliCell{"ErrorBit", join({App, {"--error-bit", "remote-verify"}}), Backup, 1,
                join({FileRead, Configure, Write, {"校验开始", "! 重新校验", "! 校验失败"}})},
        CliCell{"Foreign", join({App, {"--foreign", "upgrade-flag"}}), {"--type", "nobackup"}, 1,
                join({FileRead, {Time, "写入升级标志", "! 写入失败"}})},
        CliCell{"NoiseAndSplitReplies", join({App, {"--noise", "40", "--split", "3"}}), Backup, 0,
                join({FileRead, Configure, Write, VerifyAndReset})},
        CliCell{"CrcOff", join({Local, {"--bad-crc"}}), {}, 1,
                join({FileRead, Handshake, Erase, Write, {"检测开始", "! CRC不一致，失败"}})},
        // The device fails mid-write: the port is lost, whatever step it hit.
        CliCell{"HangUp", join({Local, {"--hangup-after", "2"}}), {}, 4,
                join({FileRead, Handshake, Erase, {"写入开始", "! 重新写入", "! 第1扇区写入失败"}}), false,
                "stopped working during the run (adapter unplugged?)"},
        // A dead line fails every handshake at the port: after a few the
        // run ends as a lost port, with no handshake time-out needed.
        CliCell{"HangUpDuringHandshake", join({Local, {"--silent", "handshake:1", "--hangup-after", "1"}}), {}, 4,
                join({FileRead, {Time, "对接开始", "! 通信口打不开"}}), false, "stopped working"},
        // Gone before the run: the port cannot be opened.
        CliCell{"Unplugged", join({Local, {"--hangup-after", "0"}}), {}, 4,
                join({FileRead, {"! 通信口打不开", "! 串口打开失败"}}), true, "could not be opened"}),
    [](const ::testing::TestParamInfo<CliCell>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq::testing
