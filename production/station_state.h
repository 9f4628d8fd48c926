// What a running station shows and what its operator may ask of it. The
// station loop keeps one StationState; the terminal rows and the station view
// read snapshots of it and send their requests through StationControl, so
// both show the same state and neither parses log text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq::production {

// What a port is doing now.
enum class PortActivity {
    WaitingForModule,    // local type: handshaking until a module answers
    Flashing,            // a cycle is running (progress in percent)
    RemoveModule,        // local type: the cycle ended, the module still answers
    WaitingForOperator,  // remote types: the next cycle starts when the operator says so
    AdapterMissing,      // the port's device is gone; reopened by its stable name when back
    Paused,              // the operator paused the port
};

// The ending of one cycle, as the terminal, the page and the records name it.
struct CycleSummary {
    long long cycle = 0;          // the port's cycle number, from 1
    std::string finished;         // local time "YYYY-MM-DD hh:mm:ss.mmm"
    std::string moduleAddress;    // "" on the local type
    bool passed = false;
    std::string result;           // the record's result word ("success", "failed", "port-lost", ...)
    std::string reason;           // the failure in words (the run's hint), "" when passed
    double durationS = 0;         // the cycle's time
    std::string runId;            // the record's run id, "" when records have none
    std::string step;             // the step a failed cycle ended at (the record's step word), "" when passed
};

struct PortCounts {
    long long passed = 0;
    long long failed = 0;
    double yield() const { return passed + failed == 0 ? 0.0 : double(passed) / double(passed + failed); }
};

struct PortState {
    int index = 0;                // the recipe's port order, from 0
    std::string stableName;       // what survives a replug (by-path / by-id name, or COMn + location)
    std::string device;           // the device it resolves to now, "" when missing
    PortActivity activity = PortActivity::WaitingForModule;
    int progressPercent = 0;      // while Flashing
    std::string moduleAddress;    // the module of the current or last cycle, "" on the local type
    double cycleTimeS = 0;        // the running cycle's time so far, else the last cycle's
    long long cycles = 0;         // cycles ended on this port
    PortCounts counts;
    std::optional<CycleSummary> last;  // the last cycle's ending
    std::string adapter;          // "USB 0403:6001 FTDI (ftdi_sio), serial A50285BI", "" when unknown
    std::string adapterWarning;   // e.g. the latency timer is above 2 ms, and how to lower it; "" when none
};

struct RecipeSummary {
    std::string hexFile;      // the file's name as the recipe gives it
    std::string sha256;
    std::string chip;         // the option words of flash ("kq581x", "arm", ...)
    std::string type;         // "local", "nobackup", "backup"
    std::string userOffset;   // "0x..."
    std::string upgradeOffset;  // "" when the type does not use it
    int baud = 0;
};

struct StationState {
    uint64_t version = 0;     // grows with every change: a reader that saw this version has seen it all
    std::string stationName;
    RecipeSummary recipe;
    std::vector<PortState> ports;
    PortCounts totals;
    double modulesPerHour = 0;
    std::vector<CycleSummary> recent;  // the last cycles of every port, newest first (at most RecentCycles)
    std::vector<int> recentPorts;      // the port index of each entry of recent
    bool recordsDatabase = false;      // a records database is given: recordsWaiting counts
    long long recordsWaiting = 0;      // records not yet acknowledged by the database
    bool stopping = false;             // a stop was asked for; cycles end at their next check
};

inline constexpr size_t RecentCycles = 50;  // cycles kept for the page's list

// The operator's requests. Each answers false when it does not apply
// (an unknown port, next on the local type, resume of a port not paused).
class StationControl {
public:
    virtual ~StationControl() = default;
    virtual StationState snapshot() const = 0;
    // Blocks until the state's version differs from seenVersion or timeoutMs
    // passed; returns the newest snapshot either way.
    virtual StationState waitForChange(uint64_t seenVersion, int timeoutMs) const = 0;
    virtual bool startNextCycle(int port) = 0;  // remote types only
    virtual bool startNextCycleEverywhere() = 0;
    virtual bool pausePort(int port) = 0;
    virtual bool resumePort(int port) = 0;
    virtual void stopStation() = 0;
};

}  // namespace kq::production
