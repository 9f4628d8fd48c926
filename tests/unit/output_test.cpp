// What flashwright-cli prints: log lines with red marked, and the progress line.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "cli/progress.h"
#include "production/log_writer.h"
#include "upgrade/upgrade_host.h"

namespace kq::cli {

using production::LogWriter;
using production::RedMarking;

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

}  // namespace
}  // namespace kq::cli
