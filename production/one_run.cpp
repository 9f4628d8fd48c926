#include "production/one_run.h"

#include <chrono>

#include "link/link_frame.h"
#include "link/serial_port.h"
#include "production/outcome.h"
#include "production/records_journal.h"
#include "production/records_journal_line.h"
#include "production/run_fields.h"
#include "production/run_id.h"
#include "upgrade/run_step.h"

namespace kq::production {

namespace {

std::string joined(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    return second.empty() ? first : first + "; " + second;
}

}  // namespace

std::string journalRecord(RecordsJournal* journal, const RunReport& report,
                          const std::function<void(const JournalAppend&)>& journaled) {
    if (journal == nullptr) return "";
    if (report.runId.empty()) return "the record has no run id: it is not in " + journal->path();
    const JournalAppend appended = journal->append(recordJsonLine(report.runId, recordValues(report)));
    if (!appended.ok) return journal->path() + ": " + appended.reason;
    if (journaled) journaled(appended);
    return "";
}

OneRunEnding runOneUpgrade(RunReport report, const OneRunSetup& setup) {
    const int port = report.settings.portNumber;
    if (setup.journal != nullptr && report.runId.empty()) report.runId = newRunId().value_or("");
    const auto started = std::chrono::steady_clock::now();
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    RunRecorder recorder(report, *image, setup.logDir);
    const std::unique_ptr<RunHost> host = setup.makeHost(recorder);
    SerialCommandSet commands;
    UpgradeRun run(*host, commands, *image);
    host->attach(run);

    const uint32_t repliesBefore = repliesFound(port);
    const uint32_t failuresBefore = deviceFailuresFound(port);
    const RunResult result = run.runUpgrade();
    host->finish();

    const PortLockRefusal refusal = portLockRefusal(port);
    RunContext context;
    context.moduleAnswered = repliesFound(port) != repliesBefore;
    context.portFailed = deviceFailuresFound(port) != failuresBefore;
    context.portName = report.portText;
    context.portDevice = setup.portDevice;
    context.hexPath = report.settings.hexPath;
    context.interrupted = setup.stopRequested && setup.stopRequested();
    context.handshakeTimedOut = host->handshakeTimedOut();
    context.handshakeTimeoutMs = setup.handshakeTimeoutMs;
    context.lockOwner = refusal.owner;
    context.lockPath = refusal.path;
    context.openProblem = portOpenProblem(port);
    if (report.settings.bootloadType == RemoteWithBackup) context.moduleAddress = report.settings.moduleAddress;
    const RunOutcome outcome = describeOutcome(result, context);

    report.exitStatus = outcome.exitStatus;
    report.portLost = outcome.result == PortLostResult;
    report.step = std::string(runStepName(result.step));
    report.hint = outcome.hint;
    report.durationS = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // A port that failed (or could not be opened again) took the cycle with it.
    if (report.station) report.station->portLost = context.portFailed || result.step == RunStep::Port;
    recorder.finish();
    std::string problem = joined(recorder.problem(), journalRecord(setup.journal, report, setup.journaled));
    return {std::move(report), std::move(problem)};
}

}  // namespace kq::production
