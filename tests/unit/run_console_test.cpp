// The console that several runs share: whole lines, and rows at the bottom
// of a terminal that every line moves down.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/run_console.h"
#include "unit/merge_test_files.h"

namespace kq::cli {
namespace {

class RunConsoleTest : public ::testing::Test {
protected:
    RunConsoleTest() : file_(std::fopen(folder_.file("terminal").c_str(), "w+b")) {}
    ~RunConsoleTest() override { std::fclose(file_); }

    std::FILE* file() { return file_; }
    RunConsoleSetup terminal(int columns = 80) { return {file_, file_, true, columns, [this] { return nowMs; }}; }
    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string all;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) all.append(buffer, n);
        std::fseek(file_, 0, SEEK_END);
        return all;
    }

    int64_t nowMs = 1000;

private:
    testing::TempFolder folder_;
    std::FILE* file_;
};

TEST_F(RunConsoleTest, RowsAreWipedForEveryLineAndDrawnAgainBelowIt) {
    RunConsole console(terminal());
    const int first = console.addRow();
    const int second = console.addRow();
    console.setRow(first, "COM1  erase");
    console.setRow(second, "COM2  waiting for the module (attempt 1)", true);
    console.logLine("COM1", "擦除成功\n");
    console.errorLine("COM2", "no answer");
    console.finish();
    console.write(file(), "summary\n");
    const std::string rows = "\rCOM1  erase\x1b[K\nCOM2  waiting for the module (attempt 1)\x1b[K";
    const std::string wipe = "\r\x1b[1A\x1b[J";
    EXPECT_EQ(text(), "\rCOM1  erase\x1b[K\n\x1b[K" + wipe + rows + wipe + "COM1: 擦除成功\n" + rows + wipe +
                          "flashwright-cli: COM2: no answer\n" + rows + wipe + "summary\n");
}

TEST_F(RunConsoleTest, RowsAreRedrawnAtMostEveryTenthOfASecondUnlessAsked) {
    RunConsole console(terminal());
    const int row = console.addRow();
    console.setRow(row, "sector 1/9");
    nowMs += 50;
    console.setRow(row, "sector 2/9");  // too soon: shown with the next drawing
    nowMs += 60;
    console.setRow(row, "sector 3/9");
    console.setRow(row, "done", true);
    const std::string all = text();
    EXPECT_EQ(all.find("sector 2/9"), std::string::npos) << all;
    EXPECT_NE(all.find("\r\x1b[K\rsector 3/9\x1b[K"), std::string::npos) << all;
    EXPECT_TRUE(all.ends_with("\r\x1b[K\rdone\x1b[K")) << all;
}

TEST_F(RunConsoleTest, ARowIsCutToTheTerminalsWidthAndNothingIsDrawnOffATerminal) {
    {
        RunConsole console(terminal(12));
        console.setRow(console.addRow(), "COM3  端口端口端口端口");
    }
    EXPECT_EQ(text(), "\rCOM3  端口端口端\x1b[K");

    RunConsoleSetup plain = terminal();
    plain.drawRows = false;
    RunConsole console(plain);
    console.setRow(console.addRow(), "COM3  erase", true);
    console.logLine("", "对接成功\n");
    EXPECT_TRUE(text().ends_with("\x1b[K对接成功\n")) << "only the line was added";
}

}  // namespace
}  // namespace kq::cli
