// The command line of flashwright-cli: defaults by chip and type, explicit
// values over them, and every kind of usage error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"

namespace kq::cli {
namespace {

using Args = std::vector<std::string>;
using production::RecordFilter;

ParsedArgs parse(Args args) { return parseArguments(args); }

TEST(FlashwrightCliOptions, FlashWithOnlyPortAndFileTakesTheWindowsDefaults) {
    const ParsedArgs parsed = parse({"flash", "--port", "COM3", "app.hex"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.command, CliCommand::Flash);
    const UpgradeSettings& s = parsed.flash.settings;
    EXPECT_EQ(parsed.flash.portTexts, Args{"COM3"});
    EXPECT_EQ(s.hexPath, "app.hex");
    EXPECT_EQ(s.baudRate, 7);
    EXPECT_EQ(s.parity, 0);
    EXPECT_EQ(s.chipFamily, Kq581x);
    EXPECT_EQ(s.bootloadType, LocalUpgrade);
    EXPECT_EQ(s.userOffsetHex, "1000");
    EXPECT_EQ(s.moduleAddress, "AAAAAAAAAAAA");
    EXPECT_EQ(s.frameDataLength, 3);
    EXPECT_EQ(parsed.flash.handshakeTimeoutMs, 0);
}

struct ValuesCase {
    const char* name = "";
    Args args{};
    int baud = 7, parity = 0, chip = 0, type = 0, frame = 3, area = 0;
    const char* user = "";
    const char* upgrade = "";
    const char* address = "AAAAAAAAAAAA";
    int handshakeMs = 0;
};

std::ostream& operator<<(std::ostream& out, const ValuesCase& c) { return out << c.name; }

class FlashValues : public ::testing::TestWithParam<ValuesCase> {};

INSTANTIATE_TEST_SUITE_P(
    Rows, FlashValues,
    ::testing::Values(
        ValuesCase{.name = "ArmLocalMovesTheUserOffset", .args = {"--chip", "arm"}, .chip = 1, .area = 56,
                   .user = "4000", .upgrade = "12000"},
        ValuesCase{.name = "ArmBackupSetsAllThree", .args = {"--chip=arm", "--type=backup"}, .chip = 1, .type = 1,
                   .area = 52, .user = "4000", .upgrade = "11000"},
        ValuesCase{.name = "Kq581xBackup", .args = {"--type", "backup"}, .type = 1, .area = 28, .user = "1000",
                   .upgrade = "8000"},
        ValuesCase{.name = "NoBackup", .args = {"--type", "nobackup", "--chip", "arm"}, .chip = 1, .type = 2,
                   .area = 56, .user = "4000", .upgrade = "12000"},
        ValuesCase{.name = "ExplicitValuesWinWhateverTheirPlace",
                   .args = {"--user-offset", "0x2000", "--upgrade-offset", "9000", "--area", "20", "--type",
                            "backup"},
                   .type = 1, .area = 20, .user = "2000", .upgrade = "9000"},
        ValuesCase{.name = "LineSettings", .args = {"--baud", "9600", "--parity", "even"}, .baud = 3, .parity = 2,
                   .area = 56, .user = "1000", .upgrade = "12000"},
        ValuesCase{.name = "LowestBaudAndOddParity", .args = {"--baud", "1200", "--parity", "odd"}, .baud = 0,
                   .parity = 1, .area = 56, .user = "1000", .upgrade = "12000"},
        ValuesCase{.name = "FrameAndAddress", .args = {"--frame", "64", "--address", "1234"}, .frame = 0,
                   .area = 56, .user = "1000", .upgrade = "12000", .address = "1234"},
        ValuesCase{.name = "HandshakeTimeoutInSeconds", .args = {"--handshake-timeout", "2.5"}, .area = 56,
                   .user = "1000", .upgrade = "12000", .handshakeMs = 2500}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(FlashValues, AreTakenIntoTheSettings) {
    const ValuesCase& c = GetParam();
    Args args = {"flash", "--port", "COM1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("file.hex");
    const ParsedArgs parsed = parse(args);
    ASSERT_EQ(parsed.error, "");
    const UpgradeSettings& s = parsed.flash.settings;
    EXPECT_EQ(s.baudRate, c.baud);
    EXPECT_EQ(s.parity, c.parity);
    EXPECT_EQ(s.chipFamily, c.chip);
    EXPECT_EQ(s.bootloadType, c.type);
    EXPECT_EQ(s.frameDataLength, c.frame);
    EXPECT_EQ(s.upgradeAreaKiB, c.area);
    EXPECT_EQ(s.userOffsetHex, c.user);
    EXPECT_EQ(s.upgradeOffsetHex, c.upgrade);
    EXPECT_EQ(s.moduleAddress, c.address);
    EXPECT_EQ(parsed.flash.handshakeTimeoutMs, c.handshakeMs);
}

struct ErrorCase {
    const char* name = "";
    Args args{};
    const char* mentions = "";  // a part of the error text
};

std::ostream& operator<<(std::ostream& out, const ErrorCase& c) { return out << c.name; }

class UsageErrors : public ::testing::TestWithParam<ErrorCase> {};

INSTANTIATE_TEST_SUITE_P(
    Rows, UsageErrors,
    ::testing::Values(
        ErrorCase{"NoCommand", {}, "command"},
        ErrorCase{"UnknownCommand", {"erase"}, "unknown command erase"},
        ErrorCase{"PortsWithAnOption", {"ports", "--baud", "9600"}, "ports takes no options"},
        ErrorCase{"PortsWithAnOperand", {"ports", "COM1"}, "ports takes no options but --json, got COM1"},
        ErrorCase{"PortsJsonWithAValue", {"ports", "--json=yes"}, "--json takes no value"},
        ErrorCase{"NoPort", {"flash", "a.hex"}, "--port"},
        ErrorCase{"NoFile", {"flash", "--port", "COM1"}, "HEX file"},
        ErrorCase{"TwoFiles", {"flash", "--port", "COM1", "a.hex", "b.hex"}, "b.hex"},
        ErrorCase{"PortZero", {"flash", "--port", "COM0", "a.hex"}, "COM1 to COM32"},
        ErrorCase{"PortAbove32", {"flash", "--port", "COM33", "a.hex"}, "COM1 to COM32"},
        ErrorCase{"UnknownOption", {"flash", "--port", "COM1", "--speed", "9600", "a.hex"}, "--speed"},
        ErrorCase{"ShortOption", {"flash", "-p", "COM1", "a.hex"}, "-p"},
        ErrorCase{"MissingValue", {"flash", "a.hex", "--port"}, "needs a value"},
        ErrorCase{"BaudNotInTheList", {"flash", "--port", "COM1", "--baud", "14400", "a.hex"}, "--baud"},
        ErrorCase{"Parity", {"flash", "--port", "COM1", "--parity", "mark", "a.hex"}, "--parity"},
        ErrorCase{"Chip", {"flash", "--port", "COM1", "--chip", "8051", "a.hex"}, "--chip"},
        ErrorCase{"Type", {"flash", "--port", "COM1", "--type", "remote", "a.hex"}, "--type"},
        ErrorCase{"OffsetNotHex", {"flash", "--port", "COM1", "--user-offset", "10G0", "a.hex"}, "--user-offset"},
        ErrorCase{"OffsetTooLong", {"flash", "--port", "COM1", "--upgrade-offset", "123456789", "a.hex"},
                  "--upgrade-offset"},
        ErrorCase{"AreaZero", {"flash", "--port", "COM1", "--area", "0", "a.hex"}, "--area"},
        ErrorCase{"AreaNotANumber", {"flash", "--port", "COM1", "--area", "28K", "a.hex"}, "--area"},
        ErrorCase{"AddressWithALetter", {"flash", "--port", "COM1", "--address", "12345678901X", "a.hex"},
                  "--address"},
        ErrorCase{"AddressTooLong", {"flash", "--port", "COM1", "--address", "1234567890123", "a.hex"},
                  "--address"},
        ErrorCase{"Frame", {"flash", "--port", "COM1", "--frame", "1024", "a.hex"}, "--frame"},
        ErrorCase{"HandshakeTimeoutZero", {"flash", "--port", "COM1", "--handshake-timeout", "0", "a.hex"},
                  "--handshake-timeout"},
        ErrorCase{"HandshakeTimeoutText", {"flash", "--port", "COM1", "--handshake-timeout", "5s", "a.hex"},
                  "--handshake-timeout"},
        ErrorCase{"PortTwice", {"flash", "--port", "COM1", "--port", "COM1", "a.hex"}, "COM1 is given twice"},
        ErrorCase{"SeveralAddressesLocal", {"flash", "--port", "COM1", "--address", "1", "--address", "2", "a.hex"},
                  "need --type backup"},
        ErrorCase{"SeveralAddressesWithoutBackup",
                  {"flash", "--port", "COM1", "--type", "nobackup", "--address", "1", "--address", "2", "a.hex"},
                  "sends no module address"},
        ErrorCase{"WildcardOnABus",
                  {"flash", "--port", "COM1", "--type", "backup", "--address", "1", "--address", "AA0000000002",
                   "a.hex"},
                  "wildcard"},
        ErrorCase{"OneModuleTwice",
                  {"flash", "--port", "COM1", "--type", "backup", "--address", "1234", "--address", "000000001234",
                   "a.hex"},
                  "name the same module"},
        ErrorCase{"AddressAndAddressFile",
                  {"flash", "--port", "COM1", "--type", "backup", "--address", "1", "--address-file", "a.txt", "a.hex"},
                  "either with --address or with --address-file"},
        ErrorCase{"MissingAddressFile",
                  {"flash", "--port", "COM1", "--type", "backup", "--address-file", "/nonexistent/bus.txt", "a.hex"},
                  "/nonexistent/bus.txt: cannot be opened"},
        ErrorCase{"JsonWithAValue", {"flash", "--port", "COM1", "--json=yes", "a.hex"}, "--json takes no value"},
        ErrorCase{"CheckWithoutFile", {"check", "--chip", "arm"}, "HEX file"},
        ErrorCase{"RecordsDbWithoutLogDir", {"flash", "--port", "COM1", "--records-db", "DSN=line", "a.hex"},
                  "--records-db needs --log-dir"},
        ErrorCase{"RecordsDbEmpty", {"flash", "--port", "COM1", "--log-dir", "r", "--records-db=", "a.hex"},
                  "--records-db needs an ODBC connection string"},
        ErrorCase{"RecordsWithoutFolderOrDatabase", {"records", "--module", "1234"}, "a record folder or --records-db"},
        ErrorCase{"RecordsFolderAndDatabase", {"records", "--records-db", "DSN=line", "runs"}, "not both"},
        ErrorCase{"RecordsTwoFolders", {"records", "a", "b"}, "got b too"},
        ErrorCase{"RecordsBadModule", {"records", "runs", "--module", "12X4"}, "--module"},
        ErrorCase{"RecordsShortHash", {"records", "runs", "--sha256", "abc"}, "64 hex digits"},
        ErrorCase{"RecordsTimeNotADate", {"records", "runs", "--since", "yesterday"}, "--since"},
        ErrorCase{"RecordsLimitZero", {"records", "runs", "--limit", "0"}, "--limit"},
        ErrorCase{"RecordsUnknownOption", {"records", "runs", "--port", "COM1"}, "--port"},
        ErrorCase{"PushWithoutDatabase", {"records", "push", "runs"}, "records push needs --records-db"},
        ErrorCase{"PushWithoutFolder", {"records", "push", "--records-db", "DSN=line"}, "needs the record folder"},
        ErrorCase{"PushWithAQuestion", {"records", "push", "--records-db", "DSN=line", "--module", "1", "runs"},
                  "--module"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(UsageErrors, AreReportedWithTheirCause) {
    const ParsedArgs parsed = parse(GetParam().args);
    EXPECT_NE(parsed.error.find(GetParam().mentions), std::string::npos) << parsed.error;
    EXPECT_FALSE(parsed.help);
}

// The questions reach the filter in the form the records hold: the address
// padded as flash pads it, the hash in lower case, a 'T' time as a blank one.
TEST(FlashwrightCliOptions, RecordsQuestionsTakeTheRecordsForm) {
    const ParsedArgs parsed = parse({"records", "--records-db", "DSN=line", "--module", "1234", "--sha256",
                                     std::string(64, 'A'), "--since", "2026-05-01T08:00", "--until", "2026-06-01",
                                     "--result", "success", "--limit", "5", "--json"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.command, CliCommand::Records);
    const RecordFilter& f = parsed.records.filter;
    EXPECT_EQ(f.moduleAddress, "000000001234");
    EXPECT_EQ(f.sha256, std::string(64, 'a'));
    EXPECT_EQ(f.since, "2026-05-01 08:00");
    EXPECT_EQ(f.until, "2026-06-01");
    EXPECT_EQ(f.result, "success");
    EXPECT_EQ(f.limit, 5u);
    EXPECT_TRUE(parsed.records.json);
    EXPECT_EQ(parsed.records.recordsDb, "DSN=line");
    const ParsedArgs push = parse({"records", "push", "--records-db", "DSN=line", "runs"});
    ASSERT_EQ(push.error, "");
    EXPECT_TRUE(push.records.push);
    EXPECT_EQ(push.records.folder, "runs");
}

TEST(FlashwrightCliOptions, HelpWinsOverEverythingElseOfItsCommand) {
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_EQ(parse({"--help"}).command, CliCommand::None);
    const ParsedArgs flash = parse({"flash", "--baud", "7", "--help"});
    EXPECT_TRUE(flash.help);
    EXPECT_EQ(flash.command, CliCommand::Flash);
    EXPECT_EQ(flash.error, "");
    const ParsedArgs ports = parse({"ports", "-h"});
    EXPECT_TRUE(ports.help);
    EXPECT_EQ(ports.command, CliCommand::Ports);
}

TEST(FlashwrightCliOptions, PortsAloneIsTheListing) {
    const ParsedArgs parsed = parse({"ports"});
    EXPECT_EQ(parsed.command, CliCommand::Ports);
    EXPECT_EQ(parsed.error, "");
    EXPECT_FALSE(parsed.portsJson);
    const ParsedArgs json = parse({"ports", "--json"});
    EXPECT_EQ(json.error, "");
    EXPECT_TRUE(json.portsJson);
}

TEST(FlashwrightCliOptions, DoubleDashEndsOptionsForAFileNamedLikeOne) {
    const ParsedArgs parsed = parse({"flash", "--port", "/dev/ttyUSB0", "--", "--help.hex"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_FALSE(parsed.help);
    EXPECT_EQ(parsed.flash.settings.hexPath, "--help.hex");
    EXPECT_EQ(parsed.flash.portTexts, Args{"/dev/ttyUSB0"});
}

TEST(FlashwrightCliOptions, SeveralPortsAndTheModulesOfABus) {
    const ParsedArgs parsed = parse({"flash", "--port", "COM1", "--port=/dev/ttyUSB1", "--type", "backup", "--address",
                                     "000000000001", "--address", "2", "--log-dir", "records", "--json", "a.hex"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.flash.portTexts, (Args{"COM1", "/dev/ttyUSB1"}));
    EXPECT_EQ(parsed.flash.moduleAddresses, (Args{"000000000001", "2"}));
    EXPECT_EQ(parsed.flash.logDir, "records");
    EXPECT_TRUE(parsed.flash.json);
    // One address is the settings' own, on every path.
    const ParsedArgs one = parse({"flash", "--port", "COM1", "--type", "nobackup", "--address", "17", "a.hex"});
    ASSERT_EQ(one.error, "");
    EXPECT_EQ(one.flash.settings.moduleAddress, "17");
    EXPECT_TRUE(one.flash.moduleAddresses.empty());
}

TEST(FlashwrightCliOptions, CheckTakesTheOptionsOfFlashWithoutAPort) {
    const ParsedArgs parsed = parse({"check", "--chip", "arm", "--type", "backup", "--baud", "9600", "a.hex"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.command, CliCommand::Check);
    EXPECT_EQ(parsed.flash.settings.upgradeOffsetHex, "11000");
    EXPECT_TRUE(parsed.flash.portTexts.empty());
    EXPECT_NE(parse({"check", "--port", "COM40", "a.hex"}).error.find("COM1 to COM32"), std::string::npos);
}

TEST(FlashwrightCliOptions, ScriptsGetAHandshakeTimeOutByDefault) {
    EXPECT_EQ(effectiveHandshakeTimeoutMs(0, false), 30000);
    EXPECT_EQ(effectiveHandshakeTimeoutMs(0, true), 0);  // a person at a terminal waits until Ctrl-C
    EXPECT_EQ(effectiveHandshakeTimeoutMs(1500, false), 1500);
    EXPECT_EQ(effectiveHandshakeTimeoutMs(1500, true), 1500);
}

TEST(FlashPlan, ComPortNumbers) {
    EXPECT_EQ(production::comPortNumber("COM1"), 1);
    EXPECT_EQ(production::comPortNumber("com32"), 32);
    EXPECT_EQ(production::comPortNumber("COM 7"), 7);
    EXPECT_EQ(production::comPortNumber("COM33"), -1);
    EXPECT_EQ(production::comPortNumber("COM0"), -1);
    EXPECT_EQ(production::comPortNumber("COM1234"), -1);
    EXPECT_EQ(production::comPortNumber("/dev/ttyUSB0"), 0);
    EXPECT_EQ(production::comPortNumber("COMPORT"), 0);
    EXPECT_EQ(production::comPortNumber("COM"), 0);
}

}  // namespace
}  // namespace kq::cli
