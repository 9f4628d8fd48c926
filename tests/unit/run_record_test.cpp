// The record of a run as a file, as a JSON line and as a summary row, and
// check's facts: every one a rendering of the one field list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "production/record_rendering.h"
#include "production/run_fields.h"
#include "production/run_record.h"

namespace kq::production {
namespace {

RunReport sampleReport() {
    RunReport report;
    report.version = "1.2.0";
    report.host = "station-3";
    report.portText = "COM3";
    report.port = 3;
    report.device = "/dev/ttyUSB0";
    report.settings.portNumber = 3;
    report.settings.hexPath = "/fw/app.hex";
    report.started = "2026-03-07 08:05:09.123";
    report.hexFile = HexFileFacts{1234, "2026-03-01 10:00:00", std::string(64, 'e')};
    report.image = ImageFacts{6000, 12, 0xA2CA, 0x1000, 0xFF0000};
    report.log = {{"2026-03-07 08:05:09.124", "获取文件开始"}, {"2026-03-07 08:05:10.500", "! 擦除失败"}};
    report.exitStatus = 1;
    report.step = "erase";
    report.durationS = 1.4;
    report.hint = "the erase failed";
    return report;
}

TEST(RunRecord, FileNamesTellWhenWhereAndWhich) {
    RunReport report = sampleReport();
    EXPECT_EQ(recordFileName(report), "20260307-080509-123_COM3.log");
    report.portText = "/dev/serial/by-id/usb-FTDI_FT232R:A50285BI-if00-port0";
    report.settings.bootloadType = RemoteWithBackup;
    report.settings.moduleAddress = "000000000017";
    EXPECT_EQ(recordFileName(report), "20260307-080509-123_COM3_usb-FTDI_FT232R_A50285BI-if00-port0_000000000017.log");
    report.settings.bootloadType = RemoteWithoutBackup;
    report.portText = "\\\\.\\COM3";
    EXPECT_EQ(recordFileName(report), "20260307-080509-123_COM3_000000000017.log");
}

TEST(RunRecord, TheFileHoldsHeaderLinesAndEnding) {
    const RunReport report = sampleReport();
    std::string text = recordHeaderText(report);
    for (const TimedLine& line : report.log) text += recordLineText(line);
    text += recordEndingText(report);
    EXPECT_EQ(text,
              "flashwright-cli upgrade record\n"
              "version:        flashwright-cli 1.2.0\n"
              "host:           station-3\n"
              "started:        2026-03-07 08:05:09.123\n"
              "port:           COM3\n"
              "device:         /dev/ttyUSB0\n"
              "baud:           115200\n"
              "parity:         none\n"
              "chip:           251\n"
              "bootload type:  local\n"
              "user offset:    0x1000\n"
              "hex file:       /fw/app.hex\n"
              "hex size:       1234 bytes\n"
              "hex modified:   2026-03-01 10:00:00\n"
              "hex sha256:     " + std::string(64, 'e') + "\n"
              "image length:   6000 bytes\n"
              "sectors:        12\n"
              "addresses:      0x1000-0x276F (flash 0xFF1000-0xFF27FF)\n"
              "image crc16:    0xA2CA\n"
              "\n"
              "log:\n"
              "2026-03-07 08:05:09.124  获取文件开始\n"
              "2026-03-07 08:05:10.500  ! 擦除失败\n"
              "\n"
              "result:         failed\n"
              "exit status:    1\n"
              "step:           erase\n"
              "duration:       1.400 s\n"
              "hint:           the erase failed\n");

    // The remote path with backup uses its upgrade area, frames and module.
    RunReport remote = sampleReport();
    remote.settings.bootloadType = RemoteWithBackup;
    remote.settings.moduleAddress = "000000000017";
    EXPECT_NE(recordHeaderText(remote).find("bootload type:  backup\n"
                                            "user offset:    0x1000\n"
                                            "upgrade offset: 0x12000\n"
                                            "upgrade area:   56 KiB\n"
                                            "frame length:   512\n"
                                            "module address: 000000000017\n"
                                            "hex file:       /fw/app.hex\n"),
              std::string::npos)
        << recordHeaderText(remote);
}

TEST(RunRecord, JsonOfARemoteRunAndOfARefusedFile) {
    RunReport report = sampleReport();
    report.settings.bootloadType = RemoteWithBackup;
    report.settings.moduleAddress = "000000000017";
    report.recordPath = "records/x.log";
    EXPECT_EQ(runJson(report),
              "{\"program\":\"flashwright-cli\",\"version\":\"1.2.0\",\"host\":\"station-3\","
              "\"started\":\"2026-03-07 08:05:09.123\",\"port\":\"COM3\",\"slot\":\"COM3\","
              "\"device\":\"/dev/ttyUSB0\",\"baud\":115200,\"parity\":\"none\",\"chip\":\"251\",\"type\":\"backup\","
              "\"user_offset\":\"0x1000\",\"upgrade_offset\":\"0x12000\",\"area_kib\":56,\"frame\":512,"
              "\"module_address\":\"000000000017\",\"result\":\"failed\",\"exit_status\":1,\"step\":\"erase\","
              "\"duration_s\":1.4,\"hex_path\":\"/fw/app.hex\",\"hex_size\":1234,"
              "\"hex_modified\":\"2026-03-01 10:00:00\",\"hex_sha256\":\"" + std::string(64, 'e') + "\","
              "\"image_length\":6000,\"sectors\":12,\"address_range\":\"0x1000-0x276F (flash 0xFF1000-0xFF27FF)\","
              "\"image_crc16\":\"0xA2CA\",\"hint\":\"the erase failed\","
              "\"record\":\"records/x.log\",\"log\":[\"获取文件开始\",\"! 擦除失败\"]}");

    RunReport refused = sampleReport();
    refused.hexFile.reset();
    refused.image.reset();
    refused.exitStatus = 3;
    const std::string json = runJson(refused);
    EXPECT_NE(json.find("\"result\":\"refused\""), std::string::npos);
    EXPECT_NE(json.find("\"hex_sha256\":null,\"image_length\":null,\"sectors\":null,\"address_range\":null,"
                        "\"image_crc16\":null"),
              std::string::npos)
        << json;
    for (const char* unused : {"module_address", "upgrade_offset", "area_kib", "frame"}) {
        EXPECT_EQ(json.find(std::string("\"") + unused + "\""), std::string::npos) << unused << " on the local path";
    }
    refused.settings.bootloadType = RemoteWithoutBackup;  // sends no module address either
    EXPECT_EQ(runJson(refused).find("module_address"), std::string::npos);
}

// check's facts are named as a run's: the same member for the same fact.
TEST(RunRecord, CheckUsesTheRunsNamesAndRendersBothWays) {
    CheckReport check;
    check.settings.hexPath = "/fw/a\xff.hex";  // not UTF-8: replaced, the line stays JSON
    check.portTexts = {"COM3", "COM4"};
    check.hexFile = HexFileFacts{1234, "2026-03-01 10:00:00", std::string(64, 'e')};
    check.image = ImageFacts{6000, 12, 0xA2CA, 0x1000, 0xFF0000};
    const Facts facts = checkFacts(check);
    EXPECT_EQ(factsJson(facts),
              "{\"chip\":\"251\",\"type\":\"local\",\"user_offset\":\"0x1000\",\"result\":\"ok\",\"exit_status\":0,"
              "\"hex_path\":\"/fw/a\xEF\xBF\xBD.hex\",\"hex_size\":1234,\"hex_modified\":\"2026-03-01 10:00:00\","
              "\"hex_sha256\":\"" + std::string(64, 'e') + "\",\"image_length\":6000,\"sectors\":12,"
              "\"address_range\":\"0x1000-0x276F (flash 0xFF1000-0xFF27FF)\",\"image_crc16\":\"0xA2CA\","
              "\"ports\":[\"COM3\",\"COM4\"]}");
    EXPECT_EQ(factLines(facts, FactPart::Header),
              "chip:           251\n"
              "bootload type:  local\n"
              "user offset:    0x1000\n"
              "hex file:       /fw/a\xff.hex\n"
              "hex size:       1234 bytes\n"
              "hex modified:   2026-03-01 10:00:00\n"
              "hex sha256:     " + std::string(64, 'e') + "\n"
              "image length:   6000 bytes\n"
              "sectors:        12\n"
              "addresses:      0x1000-0x276F (flash 0xFF1000-0xFF27FF)\n"
              "image crc16:    0xA2CA\n"
              "ports:          COM3, COM4\n");
    const Facts run = runFacts(RunReport());
    for (const Fact& fact : facts) {
        if (fact.definition->name == "ports" || fact.definition->name == "result") continue;  // check's own
        EXPECT_TRUE(std::any_of(run.begin(), run.end(), [&](const Fact& f) { return f.definition == fact.definition; }))
            << fact.definition->name;
    }
}

// A file's warnings are a fact of every rendering, absent when there are
// none (the cases above); a lost port is a result of its own.
TEST(RunRecord, WarningsAndALostPortInEveryRendering) {
    RunReport report = sampleReport();
    report.warnings = {"no end record", "2 lines are not records"};
    report.exitStatus = 4;
    report.portLost = true;
    EXPECT_NE(recordHeaderText(report).find("image crc16:    0xA2CA\n"
                                            "warnings:       no end record, 2 lines are not records\n\nlog:\n"),
              std::string::npos)
        << recordHeaderText(report);
    EXPECT_NE(recordEndingText(report).find("result:         port-lost\nexit status:    4\n"), std::string::npos);
    const std::string json = runJson(report);
    EXPECT_NE(json.find("\"result\":\"port-lost\",\"exit_status\":4"), std::string::npos) << json;
    EXPECT_NE(json.find("\"image_crc16\":\"0xA2CA\",\"warnings\":[\"no end record\",\"2 lines are not records\"]"),
              std::string::npos)
        << json;
    EXPECT_NE(summaryTable({report, sampleReport()}).find("COM3  port-lost  erase"), std::string::npos)
        << summaryTable({report, sampleReport()});

    CheckReport check;
    check.image = ImageFacts{6000, 12, 0xA2CA, 0x1000, 0xFF0000};
    check.warnings = {"no end record"};
    EXPECT_NE(factLines(checkFacts(check), FactPart::Header).find("image crc16:    0xA2CA\nwarnings:       no end record\n"),
              std::string::npos);
    EXPECT_NE(factsJson(checkFacts(check)).find("\"warnings\":[\"no end record\"]"), std::string::npos);
}

TEST(RunRecord, SummaryTable) {
    RunReport first = sampleReport();
    RunReport second = sampleReport();
    second.portText = "/dev/ttyUSB1";
    second.exitStatus = 0;
    second.step = "done";
    second.durationS = 12.25;
    EXPECT_EQ(summaryTable({first, second}),
              "port          result   step   duration\n"
              "COM3          failed   erase   1.400 s\n"
              "/dev/ttyUSB1  success  done   12.250 s\n");
}

}  // namespace
}  // namespace kq::production
