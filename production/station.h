// The production station: one loop per port, each on its own thread, around
// the same upgrade run as flash. The local type flashes each module as it
// arrives (module_presence.h); the remote types flash when the operator asks
// (startNextCycle). A port whose adapter goes away shows "adapter missing"
// and is opened again by its name when the adapter is back; the station never
// ends because of it. Every cycle ends with one record, handed to the front
// end in one place (StationFront::cycleEnded). The state is kept here and read
// by the terminal rows and the station view through StationControl.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "production/odbc_connection_string.h"
#include "production/recipe.h"
#include "production/run_record.h"
#include "production/station_state.h"

namespace kq::production {

// One port of the station, its slot already named (on the thread that makes
// the station, before it starts).
struct StationPortSetup {
    std::string portText;    // as the recipe gives it
    std::string stableName;  // what the port is shown and recorded as
    int slot = 0;            // its slot of the serial channel, 1..32
};

struct StationSetup {
    Recipe recipe;                      // read, checked, and its HEX file's hash confirmed
    std::string stationName;            // the recipe's, else the machine's name
    std::string logDir;                 // the record folder (made already)
    std::vector<StationPortSetup> ports;
    long long cyclesPerPort = 0;        // 0: no end; else each port stops after this many cycles
    std::string version;                // the program's version
    std::string host;                   // the machine's name
    std::function<int64_t()> monotonicMs;  // the steady clock when empty
    // The records database (expanded; ok = one is given): every record in the
    // journal is sent there too, by one sending thread of the station's.
    ExpandedConnection recordsDb;
};

// What the front end hears, from the ports' threads.
struct StationFront {
    // A cycle's record is complete (written, when there is a record folder):
    // the one place every cycle ends. recordProblem: why the record file could
    // not be written, "" when it could.
    std::function<void(int port, const RunReport& report, const std::string& recordProblem)> cycleEnded;
    // Something the operator should read once (an adapter's slow latency
    // timer, a port held by another program, the HEX file changed).
    std::function<void(int port, const std::string& text)> notice;
};

inline constexpr int AnsweredProbeGapMs = 200;   // between handshakes a present module answers, ms
inline constexpr int ReopenPollMs = 500;         // between attempts to open a missing adapter's port, ms
inline constexpr int ProgressStepPercent = 1;    // progress changes smaller than this are not shown
inline constexpr int CycleHandshakeTimeoutMs = 3000;  // a module that answered and then keeps silent, ms

class RecordsJournal;
class RecordsPusher;

// At most this long for the records that wait when the station ends, ms; what
// is not sent by then stays in the outbox for the next start or a push.
inline constexpr int FinalPushMs = 3000;

class Station final : public StationControl {
public:
    Station(StationSetup setup, StationFront front);
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Starts every port's loop.
    void start();
    // Whether every port's loop has ended (a stop, or --cycles reached).
    bool finished() const;
    // Waits for every loop to end.
    void join();
    // The most severe exit status of the cycles (and of a HEX file that changed).
    int exitStatus() const;
    // After join, with a records database: gives the sender up to timeoutMs
    // to send what waits, then ends it. The records still waiting, and why
    // (the database's last failure, masked; "" when none).
    struct RecordsLeft {
        long long waiting = 0;
        std::string problem;
    };
    RecordsLeft endRecords(int timeoutMs);

    StationState snapshot() const override;
    StationState waitForChange(uint64_t seenVersion, int timeoutMs) const override;
    bool startNextCycle(int port) override;
    bool startNextCycleEverywhere() override;
    bool pausePort(int port) override;
    bool resumePort(int port) override;
    void stopStation() override;

private:
    struct Port;

    void runPort(Port& port);
    bool openPort(Port& port);
    void closePort(Port& port);
    void lostPort(Port& port);
    void runLocal(Port& port);
    void runRemote(Port& port);
    // One cycle on the port: every module of its list. False when the station is to stop.
    void runCycle(Port& port);
    // lastOfCycle: the cycle's last module, whose ending also shows what the port does next.
    RunReport runModule(Port& port, long long cycle, const std::string& address, bool lastOfCycle, bool& portLost);
    bool hexFileUnchanged(Port& port);
    void endCycle(Port& port, RunReport& report, const std::string& recordProblem, bool lastOfCycle);

    void setActivity(Port& port, PortActivity activity);
    void setProgress(Port& port, int percent);
    // Sleeps up to ms, or until the station stops or the port is asked for something.
    void rest(Port& port, int ms);
    bool portMayGoOn(const Port& port) const;
    int64_t nowMs() const;
    void changed();  // under mutex_: a new version, and the waiters woken
    void recordsChanged();  // the sender's count of waiting records may differ from the state's

    StationSetup setup_;
    StationFront front_;
    std::unique_ptr<RecordsJournal> journal_;  // the record folder's journal; null without a folder
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    StationState state_;
    std::vector<std::unique_ptr<Port>> ports_;
    std::atomic<bool> stopping_{false};
    int exitStatus_ = 0;
    int64_t startedMs_ = 0;
    long long portsRunning_ = 0;
    // Last: its thread ends before the state it reports into goes.
    std::unique_ptr<RecordsPusher> pusher_;
};

}  // namespace kq::production
