#include "cli/batch.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/records_command.h"
#include "cli/run_console.h"
#include "cli/terminal_host.h"
#include "platform/new_file.h"
#include "production/outcome.h"
#include "production/port_jobs.h"
#include "production/run_record.h"

namespace kq::cli {

using namespace kq::production;

namespace {

// The console's part of the runs: only the console is written to during them.
struct Front {
    RunConsole& console;
    std::FILE* json;        // where the JSON lines go; nullptr without --json
    TerminalSetup setup;    // marking and time-out, the same for every run
    std::vector<int> rows;  // each job's row
};

// Tells the tracking system and the operator how a run ended.
void runEnded(const Front& front, const RunPlace& place, const RunReport& report, const std::string& recordProblem) {
    if (!report.hint.empty()) front.console.errorLine(place.label, report.hint);
    if (!recordProblem.empty()) front.console.errorLine(place.label, recordProblem);
    if (front.json != nullptr) front.console.write(front.json, runJson(report) + "\n");
    if (place.severalRuns) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.1f s", report.durationS);
        front.console.setRow(front.rows[place.job], place.label + "  " + std::string(recordResultWord(report)) +
                                                        " (" + report.step + ", " + duration + ")",
                             true);
    }
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
    // A connection string that cannot be used is a wrong input: no run starts.
    ExpandedConnection recordsDb;
    if (!options.recordsDb.empty()) {
        recordsDb = expandConnectionString(options.recordsDb);
        if (!recordsDb.ok) {
            runConsole.errorLine("", "--records-db " + maskConnectionString(options.recordsDb) + ": " + recordsDb.error);
            return ExitUsage;
        }
    }
    FlashPlan plan = options;
    plan.handshakeTimeoutMs = effectiveHandshakeTimeoutMs(options.handshakeTimeoutMs, console::inputIsTerminal());
    std::vector<PortJob> jobs;
    int status = ExitSuccess;
    if (const std::string error = resolvePorts(plan, jobs, status); !error.empty()) {
        runConsole.errorLine("", error);
        return status;
    }

    Front front{runConsole, options.json ? out : nullptr, {}, {}};
    for (size_t i = 0; i < jobs.size(); ++i) front.rows.push_back(runConsole.addRow());
    front.setup.marking = console::showsColours(logStream) ? RedMarking::Colours : RedMarking::Prefix;
    front.setup.handshakeTimeoutMs = plan.handshakeTimeoutMs;
    PortJobsFront jobsFront;
    jobsFront.makeHost = [&front](const RunPlace& place, RunRecorder& recorder) {
        TerminalSetup setup = front.setup;
        setup.label = place.label;
        setup.row = front.rows[place.job];
        setup.rowShowsSteps = place.severalRuns;
        return std::make_unique<TerminalHost>(*place.settings, setup, front.console, systemClocks(), &recorder);
    };
    jobsFront.stopRequested = stopRequested;
    jobsFront.runEnded = [&front](const RunPlace& place, const RunReport& report, const std::string& problem) {
        runEnded(front, place, report, problem);
    };

    installInterruptHandler(consoleSetup.drawRows);
    runPortJobs(plan, jobs, jobsFront);
    removeInterruptHandler();
    runConsole.finish();
    // The records are in the journal now; the database gets its copies.
    if (recordsDb.ok) pushFlashRecords(options.logDir, recordsDb, err);

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
