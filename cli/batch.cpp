#include "cli/batch.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/run_console.h"
#include "cli/terminal_host.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "platform/host_name.h"
#include "platform/new_file.h"
#include "platform/program_version.h"
#include "production/outcome.h"
#include "production/run_record.h"
#include "production/run_recorder.h"

namespace kq::cli {

using namespace kq::production;

namespace {

// One port and the modules to flash on it.
struct PortJob {
    std::string portText;                // as given
    int port = 0;                        // its slot
    std::string device;                  // the slot's device name
    std::string canonicalDevice;         // links resolved: the record's device and the lock file's name
    int row = -1;
    std::vector<std::string> addresses;  // one run each; "" = the settings' own address
    std::vector<RunReport> reports;      // filled by the port's thread
};

// What every run shares; only the console is written to during the runs.
struct Batch {
    const FlashOptions& options;
    RunConsole& console;
    std::FILE* json;        // where the JSON lines go; nullptr without --json
    TerminalSetup setup;    // marking and time-out, the same for every run
    bool severalPorts = false;
    bool severalModules = false;
    std::string version;
    std::string host;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What goes before a run's lines: whatever tells it from the other runs.
std::string runLabel(const Batch& batch, const PortJob& job, const std::string& address) {
    if (batch.severalPorts && batch.severalModules) return job.portText + " " + address;
    if (batch.severalPorts) return job.portText;
    if (batch.severalModules) return address;
    return "";
}

RunReport reportFor(const Batch& batch, const PortJob& job, const std::string& address) {
    RunReport report;
    report.version = batch.version;
    report.host = batch.host;
    report.portText = job.portText;
    report.port = job.port;
    report.device = job.canonicalDevice;
    report.settings = batch.options.settings;
    report.settings.portNumber = job.port;
    if (!address.empty()) report.settings.moduleAddress = address;
    report.started = localTimeWithMs();
    return report;
}

// Tells the tracking system and the operator how a run ended.
void announce(const Batch& batch, const PortJob& job, const std::string& label, const RunReport& report) {
    if (batch.json != nullptr) batch.console.write(batch.json, runJson(report) + "\n");
    if (batch.severalPorts || batch.severalModules) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.1f s", report.durationS);
        batch.console.setRow(job.row, label + "  " + std::string(resultWord(report.exitStatus)) + " (" +
                                          report.step + ", " + duration + ")",
                             true);
    }
}

RunReport runOne(const Batch& batch, const PortJob& job, const std::string& address) {
    RunReport report = reportFor(batch, job, address);
    const std::string label = runLabel(batch, job, address);
    const auto started = std::chrono::steady_clock::now();
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    RunRecorder recorder(report, *image, batch.options.logDir);

    TerminalSetup setup = batch.setup;
    setup.label = label;
    setup.row = job.row;
    setup.rowShowsSteps = batch.severalPorts || batch.severalModules;
    setup.lockDevice = job.canonicalDevice;
    TerminalHost host(report.settings, setup, batch.console, systemClocks(), &recorder);
    SerialCommandSet commands;
    UpgradeRun run(host, commands, *image);
    host.attach(run);

    const uint32_t repliesBefore = repliesFound(job.port);
    const uint32_t failuresBefore = deviceFailuresFound(job.port);
    const RunResult result = run.runUpgrade();
    host.finish();

    RunContext context;
    context.moduleAnswered = repliesFound(job.port) != repliesBefore;
    context.portFailed = deviceFailuresFound(job.port) != failuresBefore;
    context.portName = job.portText;
    context.portDevice = job.device;
    context.hexPath = report.settings.hexPath;
    context.interrupted = stopRequested();
    context.handshakeTimedOut = host.handshakeTimedOut();
    context.handshakeTimeoutMs = setup.handshakeTimeoutMs;
    context.lockOwner = host.lockOwner();
    context.lockPath = host.lockPath();
    const RunOutcome outcome = describeOutcome(result, context);

    report.exitStatus = outcome.exitStatus;
    report.step = std::string(stepWord(result.step));
    report.hint = outcome.hint;
    report.durationS = secondsSince(started);
    recorder.finish();
    if (!outcome.hint.empty()) batch.console.errorLine(label, outcome.hint);
    if (!recorder.problem().empty()) batch.console.errorLine(label, recorder.problem());
    announce(batch, job, label, report);
    return report;
}

// A module whose turn never came: Ctrl-C ended the batch first.
RunReport skipped(const Batch& batch, const PortJob& job, const std::string& address) {
    RunReport report = reportFor(batch, job, address);
    report.exitStatus = ExitStopped;
    report.step = std::string(NotStartedStep);
    announce(batch, job, runLabel(batch, job, address), report);
    return report;
}

void runPort(const Batch& batch, PortJob& job) {
    for (const std::string& address : job.addresses) {
        job.reports.push_back(stopRequested() ? skipped(batch, job, address) : runOne(batch, job, address));
    }
}

// Gives every port its slot, before any run starts (the slot table is named
// on this thread only). "" when all went well, else the usage error.
std::string resolvePorts(const FlashOptions& options, std::vector<PortJob>& jobs, int& status) {
    initPortNames();
    for (const std::string& text : options.portTexts) {
        PortJob job;
        job.portText = text;
        job.port = comPortNumber(text);
        if (job.port == 0) job.port = portForDevice(text);
        if (job.port == 0) {
            status = ExitPortFailed;
            return "no free port number for " + text + ": all of COM1..COM32 are taken";
        }
        for (const PortJob& other : jobs) {
            if (other.port == job.port) {
                status = ExitUsage;
                return other.portText + " and " + text + " are the same port (COM" + std::to_string(job.port) + ")";
            }
        }
        job.device = portDeviceName(job.port);
        if (!job.device.empty()) job.canonicalDevice = serialBackend().canonicalDevice(job.device);
        job.addresses = options.moduleAddresses.empty() ? std::vector<std::string>{""} : options.moduleAddresses;
        jobs.push_back(std::move(job));
    }
    return "";
}

}  // namespace

int runFlashCommand(const FlashOptions& options, std::FILE* out, std::FILE* err) {
    // With --json, standard output carries the JSON lines and nothing else.
    std::FILE* logStream = options.json ? err : out;
    RunConsoleSetup consoleSetup;
    consoleSetup.log = logStream;
    consoleSetup.err = err;
    consoleSetup.drawRows = console::takesEscapeSequences(err);
    consoleSetup.columns = console::columns(err);
    RunConsole runConsole(consoleSetup);

    if (!options.logDir.empty()) {
        std::string reason;
        if (!makeFolders(options.logDir, reason)) {
            runConsole.errorLine("", "--log-dir " + options.logDir + ": " + reason);
            return ExitUsage;
        }
    }
    std::vector<PortJob> jobs;
    int status = ExitSuccess;
    if (const std::string error = resolvePorts(options, jobs, status); !error.empty()) {
        runConsole.errorLine("", error);
        return status;
    }
    for (PortJob& job : jobs) job.row = runConsole.addRow();

    Batch batch{options, runConsole, options.json ? out : nullptr, {}, false, false, "", ""};
    batch.setup.marking = console::showsColours(logStream) ? RedMarking::Colours : RedMarking::Prefix;
    batch.setup.handshakeTimeoutMs = effectiveHandshakeTimeoutMs(options.handshakeTimeoutMs, console::inputIsTerminal());
    batch.severalPorts = jobs.size() > 1;
    batch.severalModules = options.moduleAddresses.size() > 1;
    batch.version = std::string(programVersion());
    batch.host = hostName();

    installInterruptHandler(consoleSetup.drawRows);
    std::vector<std::thread> threads;
    for (size_t i = 1; i < jobs.size(); ++i) {
        try {
            threads.emplace_back(runPort, std::cref(batch), std::ref(jobs[i]));
        } catch (const std::system_error&) {
            runPort(batch, jobs[i]);  // no thread to be had: this port waits its turn
        }
    }
    runPort(batch, jobs[0]);
    for (std::thread& thread : threads) thread.join();
    removeInterruptHandler();
    runConsole.finish();

    std::vector<RunReport> reports;
    for (PortJob& job : jobs) {
        for (RunReport& report : job.reports) {
            status = mostSevereStatus(status, report.exitStatus);
            reports.push_back(std::move(report));
        }
    }
    if (reports.size() > 1) runConsole.write(logStream, "\n" + summaryTable(reports));
    return status;
}

}  // namespace kq::cli
