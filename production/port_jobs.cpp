#include "production/port_jobs.h"

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

RunPlace placeOf(const Batch& batch, size_t index, const PortJob& job, const std::string& address,
                 const RunReport& report) {
    return {index, runLabel(batch, job, address), batch.severalPorts || batch.severalModules, &report.settings};
}

RunReport runOne(const Batch& batch, size_t index, const PortJob& job, const std::string& address) {
    RunReport report = reportFor(batch, job, address);
    const UpgradeSettings settings = report.settings;  // the report moves into the run
    RunPlace place = placeOf(batch, index, job, address, report);
    place.settings = &settings;
    OneRunSetup setup;
    setup.logDir = batch.plan.logDir;
    setup.journal = batch.journal;
    setup.handshakeTimeoutMs = batch.plan.handshakeTimeoutMs;
    setup.portDevice = job.device;
    setup.makeHost = [&](RunRecorder& recorder) { return batch.front.makeHost(place, recorder); };
    setup.stopRequested = batch.front.stopRequested;
    OneRunEnding ending = runOneUpgrade(std::move(report), setup);
    batch.front.runEnded(place, ending.report, ending.recordProblem);
    return std::move(ending.report);
}

// A module whose turn never came: a stop ended the batch first.
RunReport skipped(const Batch& batch, size_t index, const PortJob& job, const std::string& address) {
    RunReport report = reportFor(batch, job, address);
    report.exitStatus = ExitStopped;
    report.step = std::string(NotStartedStep);
    batch.front.runEnded(placeOf(batch, index, job, address, report), report, journalRecord(batch.journal, report));
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
