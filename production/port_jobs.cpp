#include "production/port_jobs.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "link/link_frame.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "production/outcome.h"
#include "production/records_journal.h"
#include "production/run_fields.h"
#include "production/run_id.h"
#include "upgrade/run_step.h"
#include "platform/host_name.h"
#include "platform/program_version.h"

namespace kq::production {

namespace {

// What every run shares.
struct Batch {
    const FlashPlan& plan;
    const PortJobsFront& front;
    bool severalPorts = false;
    bool severalModules = false;
    std::string version;
    std::string host;
    RecordsJournal* journal = nullptr;  // the record folder's journal; nullptr without one
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
    report.settings = batch.plan.settings;
    report.settings.portNumber = job.port;
    if (!address.empty()) report.settings.moduleAddress = address;
    report.started = localTimeWithMs();
    if (batch.journal != nullptr) report.runId = newRunId().value_or("");
    return report;
}

// Appends the run's record to the journal, durably, before the run counts
// as ended; why not, "" when it is there (or there is no journal).
std::string journalRecord(const Batch& batch, const RunReport& report) {
    if (batch.journal == nullptr) return "";
    if (report.runId.empty()) return "the record has no run id: it is not in " + batch.journal->path();
    const JournalAppend appended = batch.journal->append(recordJsonLine(report.runId, recordValues(report)));
    return appended.ok ? "" : batch.journal->path() + ": " + appended.reason;
}

std::string joined(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    return second.empty() ? first : first + "; " + second;
}

RunPlace placeOf(const Batch& batch, size_t index, const PortJob& job, const std::string& address,
                 const RunReport& report) {
    return {index, runLabel(batch, job, address), batch.severalPorts || batch.severalModules, &report.settings};
}

RunReport runOne(const Batch& batch, size_t index, const PortJob& job, const std::string& address) {
    RunReport report = reportFor(batch, job, address);
    const RunPlace place = placeOf(batch, index, job, address, report);
    const auto started = std::chrono::steady_clock::now();
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    RunRecorder recorder(report, *image, batch.plan.logDir);
    const std::unique_ptr<RunHost> host = batch.front.makeHost(place, recorder);
    SerialCommandSet commands;
    UpgradeRun run(*host, commands, *image);
    host->attach(run);

    const uint32_t repliesBefore = repliesFound(job.port);
    const uint32_t failuresBefore = deviceFailuresFound(job.port);
    const RunResult result = run.runUpgrade();
    host->finish();

    const PortLockRefusal refusal = portLockRefusal(job.port);
    RunContext context;
    context.moduleAnswered = repliesFound(job.port) != repliesBefore;
    context.portFailed = deviceFailuresFound(job.port) != failuresBefore;
    context.portName = job.portText;
    context.portDevice = job.device;
    context.hexPath = report.settings.hexPath;
    context.interrupted = batch.front.stopRequested();
    context.handshakeTimedOut = host->handshakeTimedOut();
    context.handshakeTimeoutMs = batch.plan.handshakeTimeoutMs;
    context.lockOwner = refusal.owner;
    context.lockPath = refusal.path;
    context.openProblem = portOpenProblem(job.port);
    if (report.settings.bootloadType == RemoteWithBackup) context.moduleAddress = report.settings.moduleAddress;
    const RunOutcome outcome = describeOutcome(result, context);

    report.exitStatus = outcome.exitStatus;
    report.portLost = outcome.result == PortLostResult;
    report.step = std::string(runStepName(result.step));
    report.hint = outcome.hint;
    report.durationS = secondsSince(started);
    recorder.finish();
    batch.front.runEnded(place, report, joined(recorder.problem(), journalRecord(batch, report)));
    return report;
}

// A module whose turn never came: a stop ended the batch first.
RunReport skipped(const Batch& batch, size_t index, const PortJob& job, const std::string& address) {
    RunReport report = reportFor(batch, job, address);
    report.exitStatus = ExitStopped;
    report.step = std::string(NotStartedStep);
    batch.front.runEnded(placeOf(batch, index, job, address, report), report, journalRecord(batch, report));
    return report;
}

void runPort(const Batch& batch, size_t index, PortJob& job) {
    for (const std::string& address : job.addresses) {
        job.reports.push_back(batch.front.stopRequested() ? skipped(batch, index, job, address)
                                                          : runOne(batch, index, job, address));
    }
}

}  // namespace

std::string resolvePorts(const FlashPlan& plan, std::vector<PortJob>& jobs, int& status) {
    initPortNames();
    for (const std::string& text : plan.portTexts) {
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
        job.addresses = plan.moduleAddresses.empty() ? std::vector<std::string>{""} : plan.moduleAddresses;
        jobs.push_back(std::move(job));
    }
    return "";
}

void runPortJobs(const FlashPlan& plan, std::vector<PortJob>& jobs, const PortJobsFront& front) {
    if (jobs.empty()) return;
    std::unique_ptr<RecordsJournal> journal;
    if (!plan.logDir.empty()) journal = std::make_unique<RecordsJournal>(plan.logDir);
    Batch batch{plan, front, jobs.size() > 1, plan.moduleAddresses.size() > 1, std::string(programVersion()),
                hostName(), journal.get()};
    std::vector<std::thread> threads;
    for (size_t i = 1; i < jobs.size(); ++i) {
        try {
            threads.emplace_back(runPort, std::cref(batch), i, std::ref(jobs[i]));
        } catch (const std::system_error&) {
            runPort(batch, i, jobs[i]);  // no thread to be had: this port waits its turn
        }
    }
    runPort(batch, 0, jobs[0]);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace kq::production
