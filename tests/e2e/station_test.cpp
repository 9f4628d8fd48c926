// flashwright-cli station against simulated fixtures: modules replaced one
// after another on several ports, a module that stays in its bootloader, an
// adapter pulled out and put back, and a HEX file that changed under its
// recipe; and the station's view read over HTTP while it runs.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>
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
#include "e2e/sim_process.h"
#include "formats/sha256.h"
#include "link/link_frame.h"
#include "production/recipe.h"
#include "production/station.h"
#include "production/station_ports.h"
#include "station_view/http_library.h"
#include "support/whole_file_text.h"

namespace kq::testing {
namespace {

using namespace std::chrono_literals;

const Sample& sample = sample251();

size_t countOf(const SimProcess& sim, const std::string& command) {
    size_t count = 0;
    for (const RequestRecord& r : sim.requests()) count += r.name == command;
    return count;
}

// The sample's image CRC as "0x1234".
std::string sampleCrc() {
    const auto image = referenceImage(sample.hexPath, sample.chipFamily, 0, sample.userOffset, sample.upgradeAreaKiB);
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", crc16(image->imageBytes.data(), size_t(image->paddedLength())));
    return text;
}

std::string dumpCrc(const std::string& path) {
    const std::string dump = test::wholeFileText(path);
    const size_t length = size_t(sample.sectors) * SectorSize;
    if (dump.size() < sample.userOffset + length) return "";
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X",
                  crc16(reinterpret_cast<const uint8_t*>(dump.data()) + sample.userOffset, length));
    return text;
}

// A station's fixtures: one simulated module (or the line it is replaced
// on) per port, each in a folder of its own, and the recipe naming them.
class Fixtures {
public:
    Fixtures(size_t ports, const std::vector<std::string>& simArgs) {
        for (size_t i = 0; i < ports; ++i) {
            folders_.push_back(std::make_unique<TempFolder>());
            std::vector<std::string> args = {"--family", sample.chip};
            args.insert(args.end(), simArgs.begin(), simArgs.end());
            sims_.push_back(std::make_unique<SimProcess>(folders_.back()->path(), args));
        }
    }

    bool ready() const {
        for (const auto& sim : sims_) {
            if (!sim->ready()) return false;
        }
        return true;
    }
    SimProcess& sim(size_t i) { return *sims_[i]; }
    std::string port(size_t i) const { return sims_[i]->flasherPort(); }
    std::string records() const { return recipeFolder_.path() + "records"; }

    // The recipe of these ports for hexPath, pinned to pinnedHex's hash.
    std::string recipe(const std::string& hexPath, const std::string& pinnedHex) const {
        std::string text = "station = \"test-line\"\nhex-file = \"" + hexPath + "\"\nsha256 = \"" +
                           sha256Hex(test::wholeFileText(pinnedHex)) + "\"\nchip = \"" + sample.chip + "\"\nport = [";
        for (size_t i = 0; i < sims_.size(); ++i) text += (i > 0 ? ", \"" : "\"") + port(i) + "\"";
        text += "]\nlog-dir = \"records\"\n";
        const std::string path = recipeFolder_.file("line.toml");
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    ProcessResult run(const std::vector<std::string>& args, const SignalOnOutput& trigger = {}) {
        ProcessResult result = runFlasher(args, {"", 60s}, trigger);
        for (auto& sim : sims_) EXPECT_TRUE(sim->stop());
        return result;
    }

private:
    std::vector<std::unique_ptr<TempFolder>> folders_;
    std::vector<std::unique_ptr<SimProcess>> sims_;
    TempFolder recipeFolder_;
};

TEST(Station, ThreePortsFlashEachReplacedModuleOnce) {
    constexpr int Modules = 5;
    Fixtures station(3, {"--replace-after", "1300"});  // gone for over a second
    ASSERT_TRUE(station.ready());
    const ProcessResult run = station.run(
        {"station", "--json", "--cycles", std::to_string(Modules), station.recipe(sample.hexPath, sample.hexPath)});
    EXPECT_EQ(run.exitCode, 0) << run.err;

    const std::vector<std::string> json = outputLines(run.out);
    ASSERT_EQ(json.size(), 3u * Modules) << run.out;
    const std::string crc = sampleCrc();
    for (size_t p = 0; p < 3; ++p) {
        std::vector<std::string> cycles;
        for (const std::string& line : json) {
            if (jsonField(line, "port_name") != station.port(p)) continue;
            EXPECT_EQ(jsonField(line, "result"), "success") << line;
            EXPECT_EQ(jsonField(line, "station"), "test-line") << line;
            cycles.push_back(jsonField(line, "cycle"));
        }
        EXPECT_EQ(cycles, (std::vector<std::string>{"1", "2", "3", "4", "5"})) << station.port(p);
        // Five modules came and went, each erased and written once.
        EXPECT_EQ(countOf(station.sim(p), "erase-all"), size_t(Modules));
        for (int m = 1; m <= Modules; ++m) {
            char name[32];
            std::snprintf(name, sizeof name, "flash-%012d.bin", m);
            EXPECT_EQ(dumpCrc(std::filesystem::path(station.sim(p).dumpPath()).parent_path().string() + "/" + name),
                      crc)
                << station.port(p) << " module " << m;
        }
    }
    // Every cycle's record is in the record folder's journal too.
    EXPECT_EQ(outputLines(test::wholeFileText(station.records() + "/records.jsonl")).size(), 3u * Modules);
    const std::string summary = "station-";
    bool summaryWritten = false;
    for (const auto& entry : std::filesystem::directory_iterator(station.records())) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(summary)) continue;
        summaryWritten = true;
        EXPECT_NE(test::wholeFileText(entry.path().string()).find("total  "), std::string::npos);
    }
    EXPECT_TRUE(summaryWritten);
}

TEST(Station, AModuleThatStaysInItsBootloaderIsFlashedOnce) {
    Fixtures station(1, {"--stay-in-boot"});
    ASSERT_TRUE(station.ready());
    // Ctrl-C two and a half seconds after the first cycle's record.
    const ProcessResult run = station.run({"station", "--json", station.recipe(sample.hexPath, sample.hexPath)},
                                          {"\"cycle\":1", SIGINT, 2500ms});
    EXPECT_TRUE(run.signalSent);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(outputLines(run.out).size(), 1u) << run.out;
    EXPECT_EQ(countOf(station.sim(0), "erase-all"), 1u);
    EXPECT_NE(run.err.find(station.port(0) + ": remove the module\n"), std::string::npos) << run.err;
}

TEST(Station, AnAdapterPulledOutWhileFlashingAndWhileWaitingComesBack) {
    // The line goes at the first cycle's 8th request (a write) and again a
    // few handshakes after the second cycle, while its module is away.
    Fixtures station(1, {"--replace-after", "1300", "--unplug-after", "8:800", "--unplug-after", "30:800"});
    ASSERT_TRUE(station.ready());
    const ProcessResult run =
        station.run({"station", "--json", "--cycles", "3", station.recipe(sample.hexPath, sample.hexPath)});
    EXPECT_EQ(run.exitCode, 4) << run.err;  // a port lost during a run, as flash ends then

    const std::vector<std::string> json = outputLines(run.out);
    ASSERT_EQ(json.size(), 3u) << run.out << run.err;
    EXPECT_EQ(jsonField(json[0], "result"), "port-lost");
    EXPECT_EQ(jsonField(json[0], "step"), "write");
    EXPECT_NE(test::wholeFileText(jsonField(json[0], "record")).find("result:         port-lost\n"), std::string::npos);
    EXPECT_EQ(jsonField(json[1], "result"), "success");
    EXPECT_EQ(jsonField(json[2], "result"), "success");
    size_t missing = 0;
    for (size_t at = run.err.find("adapter missing"); at != std::string::npos;
         at = run.err.find("adapter missing", at + 1)) {
        ++missing;
    }
    EXPECT_EQ(missing, 2u) << run.err;
}

TEST(Station, AHexFileThatChangedIsRefusedBeforeAnythingIsSent) {
    Fixtures station(1, {});
    ASSERT_TRUE(station.ready());
    const TempFolder folder;
    const std::string hex = folder.file("app.hex");
    std::filesystem::copy_file(sample.hexPath, hex);
    const std::string recipe = station.recipe(hex, hex);
    std::ofstream(hex, std::ios::binary | std::ios::app) << ":00000001FF\r\n";
    const ProcessResult run = station.run({"station", recipe});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find("nothing is flashed"), std::string::npos) << run.err;
    EXPECT_TRUE(station.sim(0).requests().empty());
}

// A TCP port of 127.0.0.1 that nothing listens on just now.
int freeLocalPort() {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(sock);
    return port;
}

// The page and /api/state as a client on this machine reads them (under
// Wine: from the Linux side, of the Windows program).
struct ViewReading {
    std::string page;   // the first page that came
    std::string state;  // the first state that asked for the module to be removed
};

TEST(Station, ServesItsPageAndStateOverHttpWhileItRuns) {
    Fixtures station(1, {"--stay-in-boot"});
    ASSERT_TRUE(station.ready());
    const int port = freeLocalPort();
    ASSERT_NE(port, 0);
    ViewReading seen;
    std::atomic<bool> ended{false};
    std::thread client([&] {
        httplib::Client http("127.0.0.1", port);
        http.set_connection_timeout(1);
        while (!ended && (seen.page.empty() || seen.state.empty())) {
            if (seen.page.empty()) {
                if (auto answer = http.Get("/"); answer && answer->status == 200) seen.page = answer->body;
            }
            if (auto answer = http.Get("/api/state");
                answer && answer->status == 200 && answer->body.find("\"remove-module\"") != std::string::npos) {
                seen.state = answer->body;
            }
            std::this_thread::sleep_for(100ms);
        }
    });
    // The module stays after its cycle: the station waits for it to go
    // until Ctrl-C, three seconds after the cycle's record.
    const ProcessResult run =
        station.run({"station", "--json", "--http", "127.0.0.1:" + std::to_string(port),
                     station.recipe(sample.hexPath, sample.hexPath)},
                    {"\"cycle\":1", SIGINT, 3000ms});
    ended = true;
    client.join();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("station view: http://127.0.0.1:" + std::to_string(port) + "/#token="), std::string::npos)
        << run.err;
    EXPECT_NE(seen.page.find("<!DOCTYPE html>"), std::string::npos) << seen.page.substr(0, 200);
    EXPECT_NE(seen.page.find("id=\"tiles\""), std::string::npos);
    EXPECT_NE(seen.state.find("\"station\":\"test-line\""), std::string::npos) << seen.state;
    EXPECT_NE(seen.state.find("\"cycles\":1,\"passed\":1"), std::string::npos) << seen.state;
}

// The station's loop and its requests, in this process against kqsim.
production::StationState waitFor(const production::Station& station,
                                 const std::function<bool(const production::StationState&)>& until) {
    production::StationState state = station.snapshot();
    for (auto deadline = std::chrono::steady_clock::now() + 20s;
         !until(state) && std::chrono::steady_clock::now() < deadline;) {
        state = station.waitForChange(state.version, 200);
    }
    return state;
}

production::Recipe recipeFor(const std::string& port, int type, std::vector<std::string> modules) {
    production::Recipe recipe;
    recipe.settings.hexPath = sample.hexPath;
    recipe.settings.chipFamily = sample.chipFamily;
    recipe.settings.bootloadType = type;
    applyTypeDefaults(recipe.settings);
    recipe.hexSha256 = sha256Hex(test::wholeFileText(sample.hexPath));
    recipe.portTexts = {port};
    recipe.moduleAddresses = std::move(modules);
    return recipe;
}

TEST(StationControl, ARemoteCycleWaitsForTheOperatorAndRunsTheBus) {
    using namespace production;
    const TempFolder folder;
    SimProcess sim(folder.path(), {"--family", sample.chip, "--mode", "app", "--stay-in-boot", "--bus",
                                   "000000000001,000000000002"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    StationSetup setup;
    setup.recipe = recipeFor(sim.portName(), RemoteWithBackup, {"000000000001", "000000000002"});
    setup.stationName = "test";
    setup.ports = resolveStationPorts(setup.recipe).ports;
    setup.cyclesPerPort = 1;
    std::mutex mutex;
    std::vector<RunReport> reports;
    StationFront front;
    front.cycleEnded = [&](int, const RunReport& report, const std::string&) {
        std::lock_guard lock(mutex);
        reports.push_back(report);
    };
    Station station(setup, front);
    station.start();
    const auto waiting = [](const StationState& s) { return s.ports[0].activity == PortActivity::WaitingForOperator; };
    ASSERT_TRUE(waiting(waitFor(station, waiting)));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(sim.requests().empty()) << "nothing is sent before the operator's word";
    EXPECT_FALSE(station.startNextCycle(1));  // no such port
    EXPECT_TRUE(station.pausePort(0));
    waitFor(station, [](const StationState& s) { return s.ports[0].activity == PortActivity::Paused; });
    EXPECT_FALSE(station.startNextCycle(0));  // a paused port takes no cycle
    EXPECT_TRUE(station.resumePort(0));
    EXPECT_FALSE(station.resumePort(0));
    ASSERT_TRUE(waiting(waitFor(station, waiting)));
    EXPECT_TRUE(station.startNextCycleEverywhere());
    waitFor(station, [&](const StationState&) { return station.finished(); });
    station.join();
    ASSERT_EQ(reports.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(reports[i].exitStatus, 0) << reports[i].hint;
        EXPECT_EQ(reports[i].settings.moduleAddress, i == 0 ? "000000000001" : "000000000002");
        EXPECT_EQ(reports[i].station->cycle, 1);  // the modules of a bus share their cycle
    }
    EXPECT_EQ(station.snapshot().ports[0].cycles, 1);
    // The last module's ending shows the port waiting again, not flashing.
    EXPECT_EQ(station.snapshot().ports[0].activity, PortActivity::WaitingForOperator);
    EXPECT_TRUE(sim.stop());
}

TEST(StationControl, AStopEndsAStationThatWaitsForModules) {
    using namespace production;
    const TempFolder folder;
    SimProcess sim(folder.path(), {"--family", sample.chip, "--silent", "handshake:all"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    StationSetup setup;
    setup.recipe = recipeFor(sim.portName(), LocalUpgrade, {});
    setup.ports = resolveStationPorts(setup.recipe).ports;
    Station station(setup, {});
    station.start();
    waitFor(station, [](const StationState& s) { return s.ports[0].activity == PortActivity::WaitingForModule; });
    EXPECT_FALSE(station.startNextCycle(0));  // the local type's cycles start by themselves
    const auto stopped = std::chrono::steady_clock::now();
    station.stopStation();
    waitFor(station, [&](const StationState&) { return station.finished(); });
    EXPECT_TRUE(station.finished());
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s);  // within a handshake or two
    station.join();
    EXPECT_EQ(station.snapshot().ports[0].cycles, 0);
    EXPECT_EQ(station.exitStatus(), 0);
    EXPECT_TRUE(sim.stop());
}

}  // namespace
}  // namespace kq::testing
