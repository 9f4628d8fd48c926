// flashwright-cli station: its command line, and the rows and summary it
// draws from a state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/station_options.h"
#include "cli/station_rows.h"

namespace kq::cli {
namespace {

using namespace kq::production;

std::string parse(std::vector<std::string> args, StationOptions& options) {
    bool help = false, version = false;
    return parseStationArguments(args, options, help, version);
}

TEST(StationOptions, ARecipeWithItsOptionsOrARecipeToPrint) {
    StationOptions run;
    EXPECT_EQ(parse({"--log-dir", "rec", "--json", "--cycles", "20", "--http", "0.0.0.0:8080", "--records-db",
                     "DSN=line", "line.toml"},
                    run),
              "");
    EXPECT_EQ(run.recordsDb, "DSN=line");
    EXPECT_EQ(run.recipePath, "line.toml");
    EXPECT_EQ(run.logDir, "rec");
    EXPECT_TRUE(run.json);
    EXPECT_EQ(run.cycles, 20);
    EXPECT_EQ(run.http, "0.0.0.0:8080");

    StationOptions print;
    EXPECT_EQ(parse({"--print-recipe", "--port", "COM3", "--chip", "arm", "app.hex"}, print), "");
    EXPECT_TRUE(print.printRecipe);
    EXPECT_EQ(print.flash.portTexts, (std::vector<std::string>{"COM3"}));
    EXPECT_EQ(print.flash.settings.hexPath, "app.hex");

    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{}, "the recipe is missing"},
        {{"a.toml", "b.toml"}, "only one recipe can be given, got b.toml too"},
        {{"--cycles", "0", "a.toml"}, "--cycles 0: use a number of cycles from 1"},
        {{"--cycles", "x", "a.toml"}, "--cycles x: use a number of cycles from 1"},
        {{"--json=1", "a.toml"}, "--json takes no value, got --json=1"},
        {{"--records-db", "", "a.toml"}, "--records-db needs an ODBC connection string or a DSN"},
        {{"--baud", "9600", "a.toml"}, "unknown option --baud"},
        {{"--print-recipe", "app.hex"}, "--print-recipe needs the station's ports: give --port"},
        {{"--print-recipe", "--port", "COM3", "--baud", "300", "app.hex"}, "--baud 300: use 1200,"},
    };
    for (const auto& [args, error] : refusals) {
        StationOptions options;
        EXPECT_TRUE(parse(args, options).starts_with(error)) << parse(args, options);
    }
}

TEST(StationRows, APortsRowTheTotalsAndTheSummary) {
    PortState port;
    port.index = 1;
    port.stableName = "/dev/serial/by-path/usb-0:2:1.0-port0";
    port.counts = {3, 1};
    const std::vector<std::pair<PortActivity, std::string>> activities = {
        {PortActivity::WaitingForModule, "waiting for a module"}, {PortActivity::RemoveModule, "remove the module"},
        {PortActivity::AdapterMissing, "adapter missing"},  {PortActivity::WaitingForOperator, "waiting for the operator"},
        {PortActivity::Paused, "paused"},
    };
    for (const auto& [activity, text] : activities) {
        port.activity = activity;
        EXPECT_EQ(activityText(port), text);
    }
    port.activity = PortActivity::Flashing;
    port.progressPercent = 42;
    port.moduleAddress = "000000000017";
    port.cycleTimeS = 3.25;
    port.last = CycleSummary{4, "", "000000000016", false, "port-lost", "the port stopped working", 1.5, "", "write"};
    EXPECT_EQ(portRow(port),
              "2 /dev/serial/by-path/usb-0:2:1.0-port0  flashing 42 %  module 000000000017  last: port-lost (the "
              "port stopped working)  3.2 s  passed 3, failed 1, yield 75.0 %");

    StationState state;
    state.ports = {port};
    state.ports[0].cycles = 4;
    state.totals = {3, 1};
    state.modulesPerHour = 118.6;
    EXPECT_EQ(totalsRow(state), "total  passed 3, failed 1, yield 75.0 %  119 modules/h");
    state.recordsDatabase = true;
    state.recordsWaiting = 7;
    EXPECT_EQ(totalsRow(state),
              "total  passed 3, failed 1, yield 75.0 %  119 modules/h  records waiting for the database: 7");
    state.stopping = true;
    EXPECT_NE(totalsRow(state).find("stopping"), std::string::npos);
    EXPECT_EQ(stationSummary(state),
              "port                                   cycles  passed  failed   yield\n"
              "/dev/serial/by-path/usb-0:2:1.0-port0       4       3       1  75.0 %\n"
              "total                                       4       3       1  75.0 %\n");
}

}  // namespace
}  // namespace kq::cli
