// flashwright-cli as a production line drives it: several ports at once, a
// record and a JSON line per run, the dry run, a bus of modules, and Ctrl-C
// over all of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/flasher_session.h"
#include "e2e/hex_reference.h"
#include "e2e/output_lines.h"
#include "formats/sha256.h"
#include "link/link_frame.h"
#include "support/temp_hex_file.h"
#include "support/whole_file_text.h"

namespace kq::testing {
namespace {

using namespace std::chrono_literals;

const Sample& sample = sample251();

// A header or ending field of a record file: "image crc16:    0x1234".
std::string recordField(const std::string& record, const std::string& key) {
    for (const std::string& line : outputLines(record)) {
        if (line.starts_with(key + ":")) return line.substr(line.find_first_not_of(' ', key.size() + 1));
    }
    return "";
}

// The sample's image CRC as "0x1234", over whole sectors.
std::string sampleCrc() {
    const auto image = referenceImage(sample.hexPath, sample.chipFamily, 0, sample.userOffset, sample.upgradeAreaKiB);
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X",
                  crc16(image->imageBytes.data(), static_cast<size_t>(image->paddedLength())));
    return text;
}

// The CRC of a module's user program as the module computes it, from its flash dump.
std::string dumpCrc(const std::vector<uint8_t>& dump) {
    const uint32_t start = sample.userOffset;
    const size_t length = static_cast<size_t>(sample.sectors) * SectorSize;
    if (dump.size() < start + length) return "";
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", crc16(dump.data() + start, length));
    return text;
}

std::vector<std::string> portArgs(const std::vector<FlasherSession*>& sessions) {
    std::vector<std::string> args = {"flash"};
    for (FlasherSession* session : sessions) args.insert(args.end(), {"--port", session->sim().portName()});
    return args;
}

size_t firstLine(const std::vector<std::string>& lines, const std::string& text) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == text) return i;
    }
    return lines.size();
}

TEST(ProductionLine, ThreePortsAtOnceWithOneFaultyModule) {
    // Slow writes make the runs long enough to be seen overlapping.
    FlasherSession good1({"--family", sample.chip, "--delay", "write-sector:60"});
    FlasherSession faulty({"--family", sample.chip, "--error-bit", "erase-all"});
    FlasherSession good2({"--family", sample.chip, "--delay", "write-sector:60"});
    for (FlasherSession* s : {&good1, &faulty, &good2}) ASSERT_TRUE(s->ready()) << s->error();
    const std::string a = good1.sim().portName(), b = faulty.sim().portName(), c = good2.sim().portName();

    std::vector<std::string> args = portArgs({&good1, &faulty, &good2});
    args.insert(args.end(), {"--chip", sample.chip, sample.hexPath});
    const ProcessResult run = runFlasher(args, {"", 30s});
    for (FlasherSession* s : {&good1, &faulty, &good2}) ASSERT_TRUE(s->sim().stop());

    EXPECT_EQ(run.exitCode, 1) << run.err;
    const std::vector<std::string> out = outputLines(run.out);
    const size_t summary = firstLine(out, "");
    ASSERT_LT(summary, out.size()) << run.out;
    for (size_t i = 0; i < summary; ++i) {
        EXPECT_TRUE(out[i].starts_with(a + ": ") || out[i].starts_with(b + ": ") || out[i].starts_with(c + ": "))
            << out[i];
    }
    // Both good runs began writing before either had finished.
    EXPECT_LT(firstLine(out, a + ": 写入开始"), firstLine(out, c + ": 写入成功"));
    EXPECT_LT(firstLine(out, c + ": 写入开始"), firstLine(out, a + ": 写入成功"));
    EXPECT_LT(firstLine(out, b + ": ! 擦除失败"), summary);
    EXPECT_NE(run.err.find("flashwright-cli: " + b + ": "), std::string::npos) << run.err;

    ASSERT_EQ(out.size(), summary + 5) << run.out;
    EXPECT_TRUE(out[summary + 1].starts_with("port ")) << out[summary + 1];
    const auto row = [&](size_t i, const std::string& port, const std::string& result, const std::string& step) {
        std::istringstream cells(out[summary + 2 + i]);
        std::string cellPort, cellResult, cellStep;
        cells >> cellPort >> cellResult >> cellStep;
        EXPECT_EQ(cellPort + " " + cellResult + " " + cellStep, port + " " + result + " " + step);
    };
    row(0, a, "success", "done");
    row(1, b, "failed", "erase");
    row(2, c, "success", "done");

    const std::string crc = sampleCrc();
    EXPECT_EQ(dumpCrc(good1.sim().flashDump()), crc);
    EXPECT_EQ(dumpCrc(good2.sim().flashDump()), crc);
    EXPECT_NE(dumpCrc(faulty.sim().flashDump()), crc);
}

// One module flashed, one failing at its writes, one that never answers:
// each leaves a record file and a JSON line, and the CRC they give is the
// one the module computes.
TEST(ProductionLine, RecordsAndJsonLinesOfEveryEnding) {
    FlasherSession good({"--family", sample.chip});
    FlasherSession failing({"--family", sample.chip, "--error-bit", "write-sector"});
    FlasherSession silent({"--family", sample.chip, "--silent", "handshake:all"});
    for (FlasherSession* s : {&good, &failing, &silent}) ASSERT_TRUE(s->ready()) << s->error();
    const TempFolder records;

    std::vector<std::string> args = portArgs({&good, &failing, &silent});
    args.insert(args.end(), {"--chip", sample.chip, "--handshake-timeout", "1", "--log-dir", records.path() + "runs",
                             "--json", sample.hexPath});
    const ProcessResult run = runFlasher(args, {"", 30s});
    for (FlasherSession* s : {&good, &failing, &silent}) ASSERT_TRUE(s->sim().stop());
    EXPECT_EQ(run.exitCode, 1) << run.err;  // a failed step outweighs a time-out

    // Standard output holds the JSON lines and nothing else; the log went to standard error.
    const std::vector<std::string> json = outputLines(run.out);
    ASSERT_EQ(json.size(), 3u) << run.out;
    EXPECT_NE(run.err.find(good.sim().portName() + ": 升级成功\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\nport "), std::string::npos) << "the summary goes to standard error";

    struct Expected {
        FlasherSession* session;
        std::string result, step, status;
    };
    const std::string crc = sampleCrc();
    std::string moduleCrc;
    for (const RequestRecord& r : good.sim().requests()) {
        if (r.name == "read-crc") moduleCrc = r.crc;
    }
    EXPECT_EQ(moduleCrc, crc) << "the CRC the module answered";
    EXPECT_EQ(dumpCrc(good.sim().flashDump()), crc);
    const std::string sha = sha256Hex(test::wholeFileText(sample.hexPath));
    const std::vector<std::string> journal = outputLines(test::wholeFileText(records.path() + "runs/records.jsonl"));
    EXPECT_EQ(journal.size(), 3u);
    for (const Expected& e : {Expected{&good, "success", "done", "0"}, Expected{&failing, "failed", "write", "1"},
                              Expected{&silent, "timeout", "handshake", "6"}}) {
        const std::string port = e.session->sim().portName();
        const auto line = std::find_if(json.begin(), json.end(),
                                       [&](const std::string& l) { return jsonField(l, "port") == port; });
        ASSERT_NE(line, json.end()) << port;
        EXPECT_TRUE(line->starts_with("{") && line->ends_with("}")) << *line;
        EXPECT_EQ(jsonField(*line, "result"), e.result) << *line;
        EXPECT_EQ(jsonField(*line, "step"), e.step) << *line;
        EXPECT_EQ(jsonField(*line, "exit_status"), e.status) << *line;
        EXPECT_EQ(jsonField(*line, "device"), e.session->sim().device()) << *line;
        EXPECT_EQ(jsonField(*line, "hex_sha256"), sha);
        EXPECT_EQ(jsonField(*line, "image_crc16"), crc);

        const std::string record = test::wholeFileText(jsonField(*line, "record"));
        EXPECT_TRUE(std::filesystem::path(jsonField(*line, "record")).filename().string().ends_with("_" +
                    std::filesystem::path(port).filename().string() + ".log"));
        EXPECT_EQ(recordField(record, "image crc16"), crc);
        EXPECT_EQ(recordField(record, "result"), e.result);
        EXPECT_EQ(recordField(record, "step"), e.step);
        EXPECT_NE(record.find("  获取文件开始\n"), std::string::npos) << record;
        // The record file, the JSON line and the journal line name the run alike.
        const std::string runId = jsonField(*line, "run_id");
        EXPECT_EQ(runId.size(), 36u) << *line;
        EXPECT_EQ(recordField(record, "run id"), runId);
        EXPECT_EQ(std::count(journal.begin(), journal.end(), *line), 1) << "the journal holds the JSON line";
    }
    // A record file per run, and the journal.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(records.path() + "runs"),
                            std::filesystem::directory_iterator()),
              4);
}

TEST(ProductionLine, CheckIsTheDryRun) {
    const ProcessResult good = runFlasher({"check", "--chip", sample.chip, "--port", "COM1", sample.hexPath});
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(recordField(good.out, "sectors"), std::to_string(sample.sectors));
    EXPECT_EQ(recordField(good.out, "image length"), "6000 bytes");
    EXPECT_EQ(recordField(good.out, "addresses"), "0x1000-0x276F (flash 0xFF1000-0xFF27FF)");
    EXPECT_EQ(recordField(good.out, "image crc16"), sampleCrc());
    EXPECT_EQ(recordField(good.out, "hex sha256"), sha256Hex(test::wholeFileText(sample.hexPath)));

    // Data at 0xFE00 lies outside the window of the 251 core.
    test::TempHexFile outside;
    const ProcessResult refused = runFlasher({"check", "--chip", "251", outside.write(0xFE00, {1, 2, 3, 4})});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find(".hex 非升级文件!"), std::string::npos) << refused.err;
}

TEST(ProductionLine, ABusOfThreeModulesFromAnAddressFile) {
    const std::vector<std::string> addresses = {"000000000011", "000000000012", "000000000013"};
    FlasherSession bus({"--family", sample.chip, "--mode", "app", "--bus",
                        addresses[0] + "," + addresses[1] + "," + addresses[2]});
    ASSERT_TRUE(bus.ready()) << bus.error();
    const std::string list = bus.folder().file("bus.txt");
    // The middle line short, as --address takes it: the JSON names the 12 characters sent.
    std::ofstream(list) << "# the bus, first to last\n" << addresses[0] << "\n12  # middle\n" << addresses[2] << "\n";

    const ProcessResult run =
        bus.flash({"--chip", sample.chip, "--type", "backup", "--address-file", list, "--json", sample.hexPath},
                  {"", 60s});
    ASSERT_TRUE(bus.sim().stop());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> json = outputLines(run.out);
    ASSERT_EQ(json.size(), 3u) << run.out;
    for (size_t i = 0; i < addresses.size(); ++i) {
        EXPECT_EQ(jsonField(json[i], "module_address"), addresses[i]);
        EXPECT_EQ(jsonField(json[i], "result"), "success");
        EXPECT_NE(run.err.find(addresses[i] + ": 升级成功\n"), std::string::npos) << run.err;
    }
    // Each module was configured once, by its own address, and holds the program.
    for (const std::string& address : addresses) {
        int configured = 0;
        for (const RequestRecord& r : bus.sim().requests()) configured += r.name == "remote-configure" && r.busModule == address;
        EXPECT_EQ(configured, 1) << address;
        const std::string dump = test::wholeFileText(bus.folder().file("flash-" + address + ".bin"));
        EXPECT_EQ(dumpCrc(std::vector<uint8_t>(dump.begin(), dump.end())), sampleCrc()) << address;
    }
}

TEST(ProductionLine, CtrlCStopsEveryRun) {
    FlasherSession first({"--family", sample.chip, "--silent", "handshake:all"});
    FlasherSession second({"--family", sample.chip, "--silent", "handshake:all"});
    for (FlasherSession* s : {&first, &second}) ASSERT_TRUE(s->ready()) << s->error();
    std::vector<std::string> args = portArgs({&first, &second});
    args.insert(args.end(), {"--chip", sample.chip, sample.hexPath});
    const std::string trigger = second.sim().portName() + ": 对接开始";
    const ProcessResult run = runFlasher(args, {"", 30s}, {trigger, SIGINT});
    for (FlasherSession* s : {&first, &second}) ASSERT_TRUE(s->sim().stop());

    EXPECT_TRUE(run.signalSent);
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.out.find(second.sim().portName() + ": 暂停返回\n"), std::string::npos) << run.out;
    // The other run stopped too, at its handshake, or before it began if the
    // Ctrl-C came first.
    const std::vector<std::string> out = outputLines(run.out);
    ASSERT_GE(out.size(), 3u);
    for (const std::string& row : {out[out.size() - 2], out[out.size() - 1]}) {
        std::istringstream cells(row);
        std::string port, result, step;
        cells >> port >> result >> step;
        EXPECT_EQ(result, "stopped") << row;
        EXPECT_TRUE(step == "handshake" || step == "not_started") << row;
    }
    EXPECT_LT(run.wall, 10s) << "stopped long before the 30 s default time-out";
}

}  // namespace
}  // namespace kq::testing
