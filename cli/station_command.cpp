#include "cli/station_command.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/run_console.h"
#include "cli/station_rows.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "platform/host_name.h"
#include "platform/new_file.h"
#include "platform/program_version.h"
#include "platform/whole_file.h"
#include "production/image_facts.h"
#include "production/outcome.h"
#include "production/flash_plan.h"
#include "production/odbc_connection_string.h"
#include "production/recipe.h"
#include "production/record_rendering.h"
#include "production/run_recorder.h"
#include "production/station.h"
#include "production/station_ports.h"
#include "production/station_start.h"
#include "station_view/station_view_start.h"

namespace kq::cli {

using namespace kq::production;

namespace {

constexpr int RowRefreshMs = 250;  // the rows are redrawn at least this often while they change, ms

// "2026-03-07 08:05:09.123" -> "20260307-080509".
std::string compactTime(const std::string& time) {
    std::string digits;
    for (const char c : time) {
        if (c >= '0' && c <= '9') digits += c;
    }
    return digits.size() >= 14 ? digits.substr(0, 8) + "-" + digits.substr(8, 6) : digits;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    if (error) return path;
    const std::u8string text = absolute.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

int printRecipe(const StationOptions& options, std::FILE* out, std::FILE* err) {
    const FlashOptions& flash = options.flash;
    const std::optional<HexFileFacts> facts = hexFileFactsOf(flash.settings.hexPath);
    if (!facts) {
        std::fprintf(err, "flashwright-cli: %s: the HEX file cannot be read\n", flash.settings.hexPath.c_str());
        return ExitHexRefused;
    }
    Recipe recipe;
    recipe.settings = flash.settings;
    recipe.settings.hexPath = absolutePath(flash.settings.hexPath);
    recipe.hexSha256 = facts->sha256;
    recipe.portTexts = flash.portTexts;
    recipe.moduleAddresses = flash.moduleAddresses;
    if (recipe.moduleAddresses.empty() && flash.settings.bootloadType != LocalUpgrade) {
        recipe.moduleAddresses = {flash.settings.moduleAddress};
    }
    recipe.handshakeTimeoutMs = flash.handshakeTimeoutMs;
    recipe.logDir = flash.logDir;
    recipe.recordsDb = flash.recordsDb;
    const std::string text = recipeText(recipe);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
    return ExitSuccess;
}

// The operator's lines on standard input: Enter alone starts a cycle on every
// port that waits for one; a port's number or name, then Enter, on that port.
// The reader lives on its own thread for as long as standard input is open;
// the station it talks to is let go of before the station ends.
class OperatorInput {
public:
    explicit OperatorInput(Station& station) : station_(&station) {}

    void start(const std::shared_ptr<OperatorInput>& self, RunConsole& console,
               const std::vector<production::PortState>& ports) {
        ports_ = ports;
        console_ = &console;
        try {
            std::thread([self] { self->read(); }).detach();
        } catch (const std::system_error&) {
            console.errorLine("", "no thread could be started for the operator's input");
        }
    }
    void detach() {
        std::lock_guard lock(mutex_);
        station_ = nullptr;
    }

private:
    void read() {
        for (std::string line; std::getline(std::cin, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            std::lock_guard lock(mutex_);
            if (station_ == nullptr) return;
            if (line.empty()) {
                station_->startNextCycleEverywhere();
                continue;
            }
            const int port = portNamed(line);
            if (port < 0 || !station_->startNextCycle(port)) {
                console_->errorLine("", "no port " + line + " waits for a cycle (give its number or name)");
            }
        }
    }

    int portNamed(const std::string& text) const {
        for (const production::PortState& port : ports_) {
            if (text == std::to_string(port.index + 1) || text == port.stableName) return port.index;
        }
        return -1;
    }

    std::mutex mutex_;
    Station* station_;
    RunConsole* console_ = nullptr;
    std::vector<production::PortState> ports_;
};

std::string cycleLine(const RunReport& report) {
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", report.durationS);
    std::string line = "cycle " + std::to_string(report.station ? report.station->cycle : 0);
    if (report.remote()) line += " module " + report.settings.moduleAddress;
    line += ": " + std::string(recordResultWord(report)) + " (" + report.step + ", " + duration + ")";
    if (!report.hint.empty()) line += ": " + report.hint;
    return line + "\n";
}

std::string summaryText(const StationState& state, const std::string& recipePath, const std::string& started,
                        const std::string& ended, int status) {
    std::string text = "flashwright-cli station summary\n";
    text += factLine("station", state.stationName);
    text += factLine("recipe", recipePath);
    text += factLine("hex file", state.recipe.hexFile);
    text += factLine("hex sha256", state.recipe.sha256);
    text += factLine("started", started);
    text += factLine("ended", ended);
    text += factLine("exit status", std::to_string(status));
    if (state.recordsDatabase) text += factLine("records waiting", std::to_string(state.recordsWaiting));
    return text + "\n" + stationSummary(state);
}

}  // namespace

int runStationCommand(const StationOptions& options, std::FILE* out, std::FILE* err) {
    if (options.printRecipe) return printRecipe(options, out, err);
    const auto fail = [err](int status, const std::string& text) {
        std::fprintf(err, "flashwright-cli: %s\n", text.c_str());
        std::fflush(err);
        return status;
    };
    RecipeReading reading = readRecipe(options.recipePath);
    if (!reading.ok) return fail(ExitUsage, reading.error);
    Recipe& recipe = reading.recipe;
    if (const StartCheck check = confirmRecipeFile(recipe); check.exitStatus != ExitSuccess) {
        return fail(check.exitStatus, check.message);
    }
    const std::string logDir = options.logDir.empty() ? recipe.logDir : options.logDir;
    if (logDir.empty()) return fail(ExitUsage, recipe.path + ":1: log-dir: missing (or give --log-dir)");
    if (std::string reason; !makeFolders(logDir, reason)) return fail(ExitUsage, "log-dir " + logDir + ": " + reason);
    // A connection string that cannot be used is a wrong input: no cycle starts.
    const std::string recordsDbText = options.recordsDb.empty() ? recipe.recordsDb : options.recordsDb;
    ExpandedConnection recordsDb;
    if (!recordsDbText.empty()) {
        recordsDb = expandConnectionString(recordsDbText);
        if (!recordsDb.ok) {
            return fail(ExitUsage, "records-db " + maskConnectionString(recordsDbText) + ": " + recordsDb.error);
        }
    }
    StationPorts slots = resolveStationPorts(recipe);
    if (!slots.error.empty()) return fail(slots.status, slots.error);

    const bool json = options.json || recipe.json;
    std::FILE* logStream = json ? err : out;
    RunConsoleSetup consoleSetup;
    consoleSetup.log = logStream;
    consoleSetup.err = err;
    consoleSetup.drawRows = console::takesEscapeSequences(err);
    consoleSetup.columns = console::columns(err);
    RunConsole console(consoleSetup);
    std::vector<int> rows;
    for (size_t i = 0; i <= slots.ports.size(); ++i) rows.push_back(console.addRow());

    StationSetup setup;
    setup.recipe = recipe;
    setup.host = hostName();
    setup.stationName = recipe.stationName.empty() ? setup.host : recipe.stationName;
    setup.logDir = logDir;
    setup.ports = slots.ports;
    setup.cyclesPerPort = options.cycles;
    setup.version = std::string(programVersion());
    setup.recordsDb = recordsDb;
    StationFront front;
    front.cycleEnded = [&](int port, const RunReport& report, const std::string& recordProblem) {
        const std::string& label = slots.ports[size_t(port)].stableName;
        if (json) console.write(out, runJson(report) + "\n");
        console.logLine(label, cycleLine(report));
        if (!recordProblem.empty()) console.errorLine(label, recordProblem);
    };
    front.notice = [&](int port, const std::string& text) {
        console.errorLine(slots.ports[size_t(port)].stableName, text);
    };
    Station station(setup, front);
    const std::string started = localTimeWithMs();

    const bool remote = recipe.settings.bootloadType != LocalUpgrade;
    console.errorLine("", "station " + setup.stationName + ": " + std::to_string(slots.ports.size()) +
                              (slots.ports.size() == 1 ? " port" : " ports") + ", records in " + logDir +
                              (recordsDb.ok ? " and the records database " + recordsDb.shown : "") +
                              (remote ? "; Enter starts a cycle on every waiting port, a port's number (or "
                                        "name) and Enter on that one"
                                      : "; each module is flashed as it arrives") +
                              "; Ctrl-C ends the station");
    // The page is served over the station's state; it never waits on a port.
    station_view::StationViewStart view;
    if (!options.http.empty()) {
        view = station_view::startStationView(station, options.http);
        if (!view.server) return fail(ExitUsage, "--http " + options.http + ": " + view.error);
        console.write(err, station_view::stationViewAnnouncement(*view.server));
    }
    installInterruptHandler(consoleSetup.drawRows);
    station.start();
    auto input = std::make_shared<OperatorInput>(station);
    if (remote) input->start(input, console, station.snapshot().ports);

    // The rows follow the station's state; without a terminal each change of
    // what a port does is a line instead.
    std::vector<PortActivity> shownActivity(slots.ports.size(), PortActivity::Paused);
    std::vector<bool> activityShown(slots.ports.size(), false);
    uint64_t seen = 0;
    bool stopAsked = false;
    while (!station.finished()) {
        const StationState state = station.waitForChange(seen, RowRefreshMs);
        if (!stopAsked && stopRequested()) {
            stopAsked = true;
            station.stopStation();
        }
        if (state.version == seen) continue;
        seen = state.version;
        for (const production::PortState& port : state.ports) {
            const size_t i = size_t(port.index);
            if (consoleSetup.drawRows) {
                console.setRow(rows[i], portRow(port));
            } else if (!activityShown[i] || shownActivity[i] != port.activity) {
                console.errorLine(port.stableName, activityText(port));
            }
            activityShown[i] = true;
            shownActivity[i] = port.activity;
        }
        if (consoleSetup.drawRows) console.setRow(rows.back(), totalsRow(state));
    }
    station.join();
    // The records that wait get a short last chance; the rest stay in the outbox.
    const Station::RecordsLeft left = station.endRecords(FinalPushMs);
    if (view.server) view.server->stop();
    input->detach();
    removeInterruptHandler();
    console.finish();
    if (left.waiting > 0) {
        const std::string waiting =
            left.waiting == 1 ? std::string("1 record waits") : std::to_string(left.waiting) + " records wait";
        console.errorLine("", waiting + " in the outbox of " + logDir + " (records database " + recordsDb.shown +
                                  (left.problem.empty() ? "" : ": " + left.problem) +
                                  "); the next start or \"flashwright-cli records push\" sends the outbox");
    }

    const int status = station.exitStatus();
    const StationState state = station.snapshot();
    const std::string summary = summaryText(state, recipe.path, started, localTimeWithMs(), status);
    console.write(logStream, "\n" + summary);
    const std::string summaryPath = logDir + "/station-" + compactTime(started) + "-summary.txt";
    if (!writeFileAtomically(summaryPath, summary)) {
        console.errorLine("", "the summary " + summaryPath + " could not be written");
    }
    return status;
}

}  // namespace kq::cli
