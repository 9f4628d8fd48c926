// The terminal host of flashwright-cli around a real run: what reaches
// standard output and error, Ctrl-C and the handshake time-out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/interrupt.h"
#include "cli/terminal_host.h"
#include "production/outcome.h"
#include "support/fake_serial_backend.h"
#include "support/interrupt_key.h"
#include "support/scripted_commands.h"
#include "support/temp_hex_file.h"
#include "unit/merge_test_files.h"

namespace kq::cli {

using namespace kq::production;
namespace {

// A FILE* that collects what is written to it (in a file, in binary mode,
// so that line ends stay as written).
class MemoryStream {
public:
    MemoryStream() : file_(std::fopen(folder_.file("stream").c_str(), "w+b")) {}
    ~MemoryStream() { std::fclose(file_); }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::FILE* file() { return file_; }
    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) text.append(buffer, n);
        std::fseek(file_, 0, SEEK_END);
        return text;
    }

private:
    kq::testing::TempFolder folder_;
    std::FILE* file_;
};

class TerminalHostTest : public ::testing::Test {
protected:
    TerminalHostTest() {
        settings.portNumber = 1;
        settings.hexPath = hexFile.write(0x1000, test::programBytes(600));
        clocks.monotonicMs = [this] { return nowMs; };
        clocks.localTime = [] { return std::string("2026-03-07 08:05:09"); };
        commands.onCall = [this](const test::CommandCall&) { nowMs += 150; };
    }

    // drawRows: err is a terminal with the run's row at its bottom.
    RunResult runWith(const TerminalSetup& setup, std::FILE* err, bool drawRows = false,
                      RunRecorder* recorder = nullptr) {
        RunConsole console({out.file(), err, drawRows, 80, clocks.monotonicMs});
        TerminalSetup withRow = setup;
        withRow.row = console.addRow();
        TerminalHost host(settings, withRow, console, clocks, recorder);
        UpgradeRun run(host, commands, *image);
        host.attach(run);
        const RunResult result = run.runUpgrade();
        host.finish();
        console.finish();
        timedOut = host.handshakeTimedOut();
        return result;
    }

    test::ScopedFakeSerial serial;
    test::TempHexFile hexFile;
    test::ScriptedCommands commands;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    UpgradeSettings settings;
    TerminalClocks clocks;
    int64_t nowMs = 0;
    bool timedOut = false;
    MemoryStream out;
    MemoryStream err;
};

TEST_F(TerminalHostTest, PrintsTheLogAsTheWindowShowsIt) {
    commands.script("writeSector", {NoReply});
    EXPECT_EQ(runWith({}, err.file()).ending, RunEnding::Success);
    EXPECT_EQ(out.text(),
              "2026-03-07 08:05:09\n"
              "获取文件开始\n获取文件成功\n共2个扇区\n"
              "2026-03-07 08:05:09\n"
              "对接开始\n对接成功\n擦除开始\n擦除成功\n写入开始\n"
              "! 重新写入\n"
              "写入成功\n检测开始\n检测成功\n程序跳转\n"
              "2026-03-07 08:05:09\n"
              "升级成功\n");
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(serial.fake.openHandles(), 0);  // the port was opened and closed again
}

TEST_F(TerminalHostTest, ALoaderMessageBecomesAnErrorLine) {
    settings.hexPath = hexFile.missingPath();
    EXPECT_EQ(runWith({}, err.file()).step, RunStep::File);
    EXPECT_EQ(err.text(), "flashwright-cli: .hex 不存在!\n");
}

// A file cut off before its end record still flashes: the warning goes to
// standard error at once, naming the file, and into the record's header.
TEST_F(TerminalHostTest, AFileWithoutEndRecordIsWarnedAboutAndRecorded) {
    const std::string endLine = ":00000001FF\r\n";
    std::string text;
    {
        std::ifstream in(settings.hexPath, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_TRUE(text.ends_with(endLine));
    std::ofstream(settings.hexPath, std::ios::binary | std::ios::trunc) << text.substr(0, text.size() - endLine.size());
    kq::testing::TempFolder records;
    RunReport report;
    report.settings = settings;
    RunRecorder recorder(report, *image, records.path());

    EXPECT_EQ(runWith({}, err.file(), false, &recorder).ending, RunEnding::Success);
    recorder.finish();
    EXPECT_EQ(err.text(), "flashwright-cli: warning: \"" + settings.hexPath + "\": no end record\n");
    EXPECT_EQ(report.warnings, std::vector<std::string>{"no end record"});
    std::ifstream file(report.recordPath);
    const std::string record((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(record.find("image crc16:    0x"), std::string::npos) << record;
    EXPECT_NE(record.find("\nwarnings:       no end record\n\nlog:\n"), std::string::npos) << record;
}

TEST_F(TerminalHostTest, APortThatWillNotOpenGivesBothRedLinesOnOneLine) {
    settings.portNumber = 0;
    EXPECT_EQ(runWith({}, err.file()).step, RunStep::Port);
    const std::string text = out.text();
    EXPECT_NE(text.find("! 通信口没有选择串口打开失败\n"), std::string::npos) << text;
}

TEST_F(TerminalHostTest, TheHandshakeTimeOutStopsTheRunLikeTheStopButton) {
    commands.setDefault("handshake", NoReply);
    TerminalSetup setup;
    setup.handshakeTimeoutMs = 1000;
    const RunResult result = runWith(setup, err.file());
    EXPECT_EQ(result.ending, RunEnding::Stopped);
    EXPECT_EQ(result.step, RunStep::Handshake);
    // 150 ms per attempt: the seventh brings the time to 1050 ms.
    EXPECT_EQ(commands.count("handshake"), 7);
    EXPECT_NE(out.text().find("停止启动\n暂停返回\n"), std::string::npos);
    EXPECT_NE(err.text().find("no answer to the handshake within 1000 ms"), std::string::npos);
    EXPECT_TRUE(timedOut);
}

TEST_F(TerminalHostTest, AnAnsweredHandshakeIsNotTimedOut) {
    commands.script("handshake", {NoReply, NoReply});  // answered after 450 ms
    TerminalSetup setup;
    setup.handshakeTimeoutMs = 400;
    commands.onCall = [this](const test::CommandCall& call) { nowMs += call.name == "handshake" ? 150 : 1000; };
    EXPECT_EQ(runWith(setup, err.file()).ending, RunEnding::Success);
}

TEST_F(TerminalHostTest, CtrlCStopsTheRunAtItsNextCheck) {
    commands.setDefault("handshake", NoReply);
    commands.onCall = [this](const test::CommandCall&) {
        if (commands.count("handshake") == 3) {
            EXPECT_TRUE(test::pressCtrlC());
        }
    };
    installInterruptHandler(false);
    const RunResult result = runWith({}, err.file());
    removeInterruptHandler();
    EXPECT_EQ(result.ending, RunEnding::Stopped);
    EXPECT_EQ(commands.count("handshake"), 3);
}

TEST_F(TerminalHostTest, ASecondCtrlCWhileTheStopIsPendingExitsAtOnce) {
    commands.onCall = [this](const test::CommandCall& call) {
        if (call.name == "eraseAll") {
            test::pressCtrlC();  // noted: the erase goes on
            test::pressCtrlC();  // the stop is pending: out
        }
    };
    EXPECT_EXIT(
        {
            installInterruptHandler(false);
            runWith({}, err.file());
            std::exit(0);
        },
        ::testing::ExitedWithCode(ExitStopped), "flashwright-cli: stopped at once");
}

TEST_F(TerminalHostTest, TheProgressLineIsWipedBeforeEveryLogLineAndAtTheEnd) {
    // Both streams into one, as on a terminal.
    EXPECT_EQ(runWith({}, out.file(), true).ending, RunEnding::Success);
    const std::string text = out.text();
    const std::string wipe = "\r\x1b[K";
    EXPECT_NE(text.find("\r[....................] sector 1/2\x1b[K"), std::string::npos) << text;
    EXPECT_NE(text.find("\r[##########..........] sector 2/2, "), std::string::npos) << text;
    // Every log line after the first drawing starts on a wiped line.
    for (const char* line : {"写入成功\n", "检测开始\n", "升级成功\n"}) {
        EXPECT_NE(text.find("\x1b[K" + wipe + line), std::string::npos) << line;
    }
    EXPECT_TRUE(text.ends_with("B/s\x1b[K" + wipe)) << text;
}

TEST_F(TerminalHostTest, AnUnansweredHandshakeShowsItsAttemptsInTheRow) {
    commands.script("handshake", {NoReply, NoReply});
    EXPECT_EQ(runWith({}, out.file(), true).ending, RunEnding::Success);
    const std::string text = out.text();
    EXPECT_NE(text.find("\rwaiting for the module (attempt 1)\x1b[K"), std::string::npos) << text;
    EXPECT_NE(text.find("\rwaiting for the module (attempt 2)\x1b[K"), std::string::npos) << text;
    EXPECT_EQ(text.find("attempt 3"), std::string::npos) << text;
}

// With several runs on one terminal, a run's lines and its row carry its label.
TEST_F(TerminalHostTest, ALabelGoesBeforeEveryLineAndInTheRow) {
    TerminalSetup setup;
    setup.label = "COM3";
    setup.rowShowsSteps = true;
    EXPECT_EQ(runWith(setup, out.file(), true).ending, RunEnding::Success);
    const std::string text = out.text();
    EXPECT_NE(text.find("COM3: 获取文件开始\n"), std::string::npos) << text;
    EXPECT_NE(text.find("COM3: 升级成功\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\rCOM3  erase\x1b[K"), std::string::npos) << text;
    EXPECT_NE(text.find("\rCOM3  [##########..........] sector 2/2"), std::string::npos) << text;
}

}  // namespace
}  // namespace kq::cli
