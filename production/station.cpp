#include "production/station.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "link/bootloader_commands.h"
#include "link/link_frame.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "production/image_facts.h"
#include "production/module_presence.h"
#include "production/outcome.h"
#include "production/one_run.h"
#include "production/outbox_pusher.h"
#include "production/records_journal.h"
#include "production/run_fields.h"
#include "production/run_recorder.h"
#include "production/station_adapter.h"
#include "production/station_host.h"

namespace kq::production {

namespace {

constexpr int PortDataBits = 8;
constexpr int PortOneStopBit = 0;
// A station goes on flashing while the database is away: a connection or a
// statement that hangs only holds up the sending thread, for at most this long.
constexpr int RecordsLoginTimeoutS = 5;
constexpr int RecordsQueryTimeoutS = 15;

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool isRemote(int bootloadType) { return bootloadType == RemoteWithBackup || bootloadType == RemoteWithoutBackup; }

}  // namespace

// A port's loop and what only its thread touches (besides the fields read
// under the station's mutex, marked so).
struct Station::Port {
    int index = 0;
    StationPortSetup setup;
    std::vector<std::string> modules;  // the modules of one cycle, in order
    std::thread thread;
    ModulePresence presence;
    bool open = false;
    bool lockShown = false;        // another program's lock on the port was told since the port was last open
    bool latencyWarned = false;    // the adapter's latency warning was given
    AdapterInfo adapter;           // of the last open
    long long cycles = 0;          // cycles begun
    int64_t cycleStartMs = 0;      // when the running cycle began
    // Under the station's mutex:
    bool startAsked = false;       // the operator asked for the next cycle (remote types)
    bool paused = false;
    bool ended = false;
};

Station::Station(StationSetup setup, StationFront front) : setup_(std::move(setup)), front_(std::move(front)) {
    if (!setup_.monotonicMs) setup_.monotonicMs = steadyMs;
    if (!setup_.logDir.empty()) journal_ = std::make_unique<RecordsJournal>(setup_.logDir);
    if (journal_ && setup_.recordsDb.ok) {
        PusherOptions options;
        options.store.loginTimeoutSeconds = RecordsLoginTimeoutS;
        options.store.queryTimeoutSeconds = RecordsQueryTimeoutS;
        options.changed = [this] { recordsChanged(); };
        pusher_ = std::make_unique<RecordsPusher>(setup_.logDir, setup_.recordsDb, runRecordFields(), options);
        state_.recordsDatabase = true;
    }
    const Recipe& recipe = setup_.recipe;
    const UpgradeSettings& s = recipe.settings;
    state_.stationName = setup_.stationName;
    state_.recipe.hexFile = s.hexPath;
    state_.recipe.sha256 = recipe.hexSha256;
    state_.recipe.chip = std::string(ChipFamilyChoices[isKq581x(s.chipFamily) ? 0 : 1].word);
    state_.recipe.type = std::string(BootloadTypeChoices[size_t(std::clamp(s.bootloadType, 0, 2))].word);
    state_.recipe.userOffset = hexText(parseHexText(s.userOffsetHex));
    if (s.bootloadType == RemoteWithBackup) state_.recipe.upgradeOffset = hexText(parseHexText(s.upgradeOffsetHex));
    state_.recipe.baud = int(baudFromIndex(s.baudRate));
    for (size_t i = 0; i < setup_.ports.size(); ++i) {
        auto port = std::make_unique<Port>();
        port->index = int(i);
        port->setup = setup_.ports[i];
        port->modules = modulesOfPort(recipe, i);
        PortState shown;
        shown.index = int(i);
        shown.stableName = port->setup.stableName;
        shown.device = portDeviceName(port->setup.slot);
        shown.activity = isRemote(s.bootloadType) ? PortActivity::WaitingForOperator : PortActivity::WaitingForModule;
        state_.ports.push_back(std::move(shown));
        ports_.push_back(std::move(port));
    }
}

Station::~Station() {
    stopStation();
    join();
    if (pusher_) pusher_->stop();
}

void Station::start() {
    startedMs_ = nowMs();
    // What waits from before is sent at once, beside the first cycles.
    if (pusher_) {
        pusher_->start();
        recordsChanged();
    }
    {
        std::lock_guard lock(mutex_);
        portsRunning_ = static_cast<long long>(ports_.size());
    }
    for (auto& port : ports_) {
        try {
            port->thread = std::thread([this, &port] { runPort(*port); });
        } catch (const std::system_error&) {
            // No thread to be had: the port cannot run beside the others.
            if (front_.notice) front_.notice(port->index, "no thread could be started for this port");
            std::lock_guard lock(mutex_);
            port->ended = true;
            --portsRunning_;
            changed();
        }
    }
}

bool Station::finished() const {
    std::lock_guard lock(mutex_);
    return portsRunning_ == 0;
}

void Station::join() {
    for (auto& port : ports_) {
        if (port->thread.joinable()) port->thread.join();
    }
}

Station::RecordsLeft Station::endRecords(int timeoutMs) {
    if (!pusher_) return {};
    pusher_->waitUntilSent(std::chrono::milliseconds(timeoutMs));
    pusher_->stop();
    const PusherStatus status = pusher_->status();
    recordsChanged();
    return {static_cast<long long>(status.waiting), status.waiting > 0 ? status.lastError : ""};
}

void Station::recordsChanged() {
    if (!pusher_) return;
    // Read under the state's lock, so that of two callers the later count wins.
    std::lock_guard lock(mutex_);
    const long long waiting = static_cast<long long>(pusher_->status().waiting);
    if (state_.recordsWaiting == waiting) return;
    state_.recordsWaiting = waiting;
    changed();
}

int Station::exitStatus() const {
    std::lock_guard lock(mutex_);
    return exitStatus_;
}

// ---- the operator's requests ------------------------------------------------

StationState Station::snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

StationState Station::waitForChange(uint64_t seenVersion, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                      [&] { return state_.version != seenVersion; });
    return state_;
}

bool Station::startNextCycle(int port) {
    if (!isRemote(setup_.recipe.settings.bootloadType) || port < 0 || port >= int(ports_.size())) return false;
    std::lock_guard lock(mutex_);
    Port& p = *ports_[size_t(port)];
    if (p.ended || p.paused || state_.stopping) return false;
    p.startAsked = true;
    changed_.notify_all();
    return true;
}

bool Station::startNextCycleEverywhere() {
    bool any = false;
    for (int i = 0; i < int(ports_.size()); ++i) any = startNextCycle(i) || any;
    return any;
}

bool Station::pausePort(int port) {
    if (port < 0 || port >= int(ports_.size())) return false;
    std::lock_guard lock(mutex_);
    Port& p = *ports_[size_t(port)];
    if (p.ended || p.paused) return false;
    p.paused = true;
    changed_.notify_all();
    return true;
}

bool Station::resumePort(int port) {
    if (port < 0 || port >= int(ports_.size())) return false;
    std::lock_guard lock(mutex_);
    Port& p = *ports_[size_t(port)];
    if (!p.paused) return false;
    p.paused = false;
    changed_.notify_all();
    return true;
}

void Station::stopStation() {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
    state_.stopping = true;
    changed();
}

// ---- a port's loop ------------------------------------------------------------

void Station::runPort(Port& port) {
    const bool remote = isRemote(setup_.recipe.settings.bootloadType);
    while (portMayGoOn(port)) {
        bool paused = false;
        {
            std::lock_guard lock(mutex_);
            paused = port.paused;
        }
        if (paused) {
            closePort(port);
            setActivity(port, PortActivity::Paused);
            rest(port, ReopenPollMs);
            continue;
        }
        if (!port.open && !openPort(port)) {
            setActivity(port, PortActivity::AdapterMissing);
            rest(port, ReopenPollMs);
            continue;
        }
        if (remote) {
            runRemote(port);
        } else {
            runLocal(port);
        }
    }
    closePort(port);
    std::lock_guard lock(mutex_);
    port.ended = true;
    --portsRunning_;
    changed();
}

bool Station::portMayGoOn(const Port& port) const {
    return !stopping_ && (setup_.cyclesPerPort <= 0 || port.cycles < setup_.cyclesPerPort);
}

// Opens the port by its name, so that a replugged adapter is found again
// wherever its device now is; the lock file is taken first.
bool Station::openPort(Port& port) {
    const int slot = port.setup.slot;
    const UpgradeSettings& s = setup_.recipe.settings;
    if (kq::openPort(slot, s.baudRate, PortDataBits, s.parity, PortOneStopBit) != PortOpenResult::Opened) {
        const PortLockRefusal refusal = portLockRefusal(slot);
        if (refusal.owner != 0 && !port.lockShown && front_.notice) {
            front_.notice(port.index, (refusal.owner > 0 ? "process " + std::to_string(refusal.owner) + " holds "
                                                         : std::string("another program holds ")) +
                                          refusal.path + ": waiting for it to let the port go");
        }
        port.lockShown = refusal.owner != 0;
        return false;
    }
    port.open = true;
    port.lockShown = false;
    port.adapter = adapterOfOpenPort(slot, port.setup.stableName);
    {
        std::lock_guard lock(mutex_);
        PortState& shown = state_.ports[size_t(port.index)];
        shown.device = serialBackend().canonicalDevice(portDeviceName(slot));
        shown.adapter = port.adapter.text;
        shown.adapterWarning = port.adapter.warning;
        changed();
    }
    if (!port.adapter.warning.empty() && !port.latencyWarned && front_.notice) {
        port.latencyWarned = true;
        front_.notice(port.index, port.adapter.warning);
    }
    return true;
}

void Station::closePort(Port& port) {
    if (!port.open) return;
    kq::closePort(port.setup.slot);
    port.open = false;
}

void Station::lostPort(Port& port) {
    closePort(port);
    port.presence.adapterGone();
    setActivity(port, PortActivity::AdapterMissing);
}

// Handshakes until a module arrives, flashes it, then waits for it to go.
void Station::runLocal(Port& port) {
    setActivity(port, port.presence.state() == Presence::WaitingForModule ? PortActivity::WaitingForModule
                                                                          : PortActivity::RemoveModule);
    const uint32_t failuresBefore = deviceFailuresFound(port.setup.slot);
    const CommandResult result = handshake(port.setup.slot);
    if ((result != Ok && result != NoReply) || deviceFailuresFound(port.setup.slot) != failuresBefore) {
        lostPort(port);
        return;
    }
    if (port.presence.handshake(result == Ok, nowMs())) {
        runCycle(port);
        // The jump was the cycle's last request, sent without a reply: the
        // next handshake (whose send purges the line) waits until it is surely out.
        rest(port, AnsweredProbeGapMs);
        return;
    }
    // A module that answers answers at once: pace the handshakes to it.
    if (result == Ok) rest(port, AnsweredProbeGapMs);
}

// Waits for the operator's word, then flashes the port's modules.
void Station::runRemote(Port& port) {
    setActivity(port, PortActivity::WaitingForOperator);
    bool asked = false;
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(ReopenPollMs),
                          [&] { return port.startAsked || port.paused || stopping_; });
        asked = port.startAsked && !port.paused && !stopping_;
        port.startAsked = false;
    }
    if (asked) runCycle(port);
}

void Station::runCycle(Port& port) {
    if (!hexFileUnchanged(port)) return;
    const long long cycle = ++port.cycles;
    for (const std::string& address : port.modules) {
        if (stopping_) break;
        bool portLost = false;
        RunReport report = runModule(port, cycle, address, &address == &port.modules.back(), portLost);
        if (portLost) {
            lostPort(port);
            return;
        }
    }
    if (!isRemote(setup_.recipe.settings.bootloadType)) port.presence.cycleEnded(nowMs());
}

// Nobody flashes a file that changed under them: the station stops.
bool Station::hexFileUnchanged(Port& port) {
    const std::optional<HexFileFacts> facts = hexFileFactsOf(setup_.recipe.settings.hexPath);
    if (facts && facts->sha256 == setup_.recipe.hexSha256) return true;
    {
        std::lock_guard lock(mutex_);
        exitStatus_ = mostSevereStatus(exitStatus_, ExitHexRefused);
    }
    if (front_.notice) {
        front_.notice(port.index, "the HEX file " + setup_.recipe.settings.hexPath +
                                      (facts ? " has changed (its SHA-256 is now " + facts->sha256 + ")"
                                             : std::string(" cannot be read")) +
                                      ", the recipe pins " + setup_.recipe.hexSha256 + ": the station stops");
    }
    stopStation();
    return false;
}

RunReport Station::runModule(Port& port, long long cycle, const std::string& address, bool lastOfCycle,
                             bool& portLost) {
    const int slot = port.setup.slot;
    RunReport report;
    report.version = setup_.version;
    report.host = setup_.host;
    report.portText = port.setup.portText;
    report.port = slot;
    report.device = serialBackend().canonicalDevice(portDeviceName(slot));
    report.settings = setup_.recipe.settings;
    report.settings.portNumber = slot;
    if (!address.empty()) report.settings.moduleAddress = address;
    report.started = localTimeWithMs();
    report.station = StationFacts{setup_.stationName, port.setup.stableName, cycle, port.adapter.text,
                                  port.adapter.latencyTimerMs, false};
    {
        std::lock_guard lock(mutex_);
        PortState& shown = state_.ports[size_t(port.index)];
        shown.activity = PortActivity::Flashing;
        shown.progressPercent = 0;
        shown.cycleTimeS = 0;
        shown.moduleAddress = report.remote() ? report.settings.moduleAddress : "";
        changed();
    }
    port.cycleStartMs = nowMs();

    CycleHooks hooks;
    hooks.stopRequested = [this] { return stopping_.load(); };
    hooks.progress = [this, &port](int percent) { setProgress(port, percent); };
    hooks.monotonicMs = setup_.monotonicMs;
    hooks.handshakeTimeoutMs =
        setup_.recipe.handshakeTimeoutMs > 0 ? setup_.recipe.handshakeTimeoutMs : CycleHandshakeTimeoutMs;
    OneRunSetup run;
    run.logDir = setup_.logDir;
    run.journal = journal_.get();
    if (pusher_) run.journaled = [this](const JournalAppend& appended) { pusher_->recordAppended(appended); };
    run.handshakeTimeoutMs = hooks.handshakeTimeoutMs;
    run.portDevice = portDeviceName(slot);
    run.stopRequested = hooks.stopRequested;
    const UpgradeSettings settings = report.settings;
    run.makeHost = [&](RunRecorder& recorder) { return std::make_unique<StationHost>(settings, recorder, hooks); };
    OneRunEnding ending = runOneUpgrade(std::move(report), run);
    portLost = ending.report.station->portLost;
    endCycle(port, ending.report, ending.recordProblem, lastOfCycle && !portLost);
    return std::move(ending.report);
}

// The one place a cycle's record ends: the counts, the state, the front end.
void Station::endCycle(Port& port, RunReport& report, const std::string& recordProblem, bool lastOfCycle) {
    CycleSummary summary;
    summary.cycle = report.station ? report.station->cycle : 0;
    summary.finished = localTimeWithMs();
    summary.moduleAddress = report.remote() ? report.settings.moduleAddress : "";
    summary.passed = report.exitStatus == ExitSuccess;
    summary.result = std::string(recordResultWord(report));
    summary.reason = summary.passed ? "" : report.hint;
    summary.step = summary.passed ? "" : report.step;
    summary.durationS = report.durationS;
    summary.runId = report.runId;
    if (front_.cycleEnded) front_.cycleEnded(port.index, report, recordProblem);
    {
        std::lock_guard lock(mutex_);
        exitStatus_ = mostSevereStatus(exitStatus_, report.exitStatus);
        PortState& shown = state_.ports[size_t(port.index)];
        shown.cycles = std::max(shown.cycles, summary.cycle);  // the modules of a bus share their cycle
        (summary.passed ? shown.counts.passed : shown.counts.failed) += 1;
        (summary.passed ? state_.totals.passed : state_.totals.failed) += 1;
        shown.cycleTimeS = summary.durationS;
        shown.last = summary;
        // In the same change as the counts: no reader sees a counted cycle
        // still flashing. A local module must go before the next counts.
        if (lastOfCycle) {
            shown.activity = isRemote(setup_.recipe.settings.bootloadType) ? PortActivity::WaitingForOperator
                                                                           : PortActivity::RemoveModule;
        }
        state_.recent.insert(state_.recent.begin(), summary);
        state_.recentPorts.insert(state_.recentPorts.begin(), port.index);
        if (state_.recent.size() > RecentCycles) {
            state_.recent.resize(RecentCycles);
            state_.recentPorts.resize(RecentCycles);
        }
        const double hours = double(std::max<int64_t>(1, nowMs() - startedMs_)) / 3600000.0;
        state_.modulesPerHour = double(state_.totals.passed + state_.totals.failed) / hours;
        changed();
    }
}

// ---- the state ------------------------------------------------------------------

void Station::setActivity(Port& port, PortActivity activity) {
    std::lock_guard lock(mutex_);
    PortState& shown = state_.ports[size_t(port.index)];
    if (shown.activity == activity) return;
    shown.activity = activity;
    if (activity == PortActivity::AdapterMissing) shown.device.clear();
    changed();
}

void Station::setProgress(Port& port, int percent) {
    std::lock_guard lock(mutex_);
    PortState& shown = state_.ports[size_t(port.index)];
    if (std::abs(percent - shown.progressPercent) < ProgressStepPercent) return;
    shown.progressPercent = std::clamp(percent, 0, 100);
    shown.cycleTimeS = double(nowMs() - port.cycleStartMs) / 1000.0;
    changed();
}

void Station::rest(Port& port, int ms) {
    std::unique_lock lock(mutex_);
    const bool paused = port.paused;
    changed_.wait_for(lock, std::chrono::milliseconds(ms),
                      [&] { return stopping_ || port.startAsked || port.paused != paused; });
}

int64_t Station::nowMs() const { return setup_.monotonicMs(); }

void Station::changed() {
    ++state_.version;
    changed_.notify_all();
}

}  // namespace kq::production
