// The runs of a flash: one upgrade per port and module, the ports at once (a
// thread each), on each port the modules of its bus one after another; each
// run with its record. The front end makes each run's host (its log, its
// stop button) and says whether a stop was asked for; it hears of every run
// that ended.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "production/flash_plan.h"
#include "production/one_run.h"
#include "production/run_record.h"
#include "production/run_recorder.h"
#include "upgrade/upgrade_run.h"

namespace kq::production {

// One port and the modules to flash on it.
struct PortJob {
    std::string portText;                // as given
    int port = 0;                        // its slot
    std::string device;                  // the slot's device name
    std::string canonicalDevice;         // links resolved: the record's device
    std::vector<std::string> addresses;  // one run each; "" = the settings' own address
    std::vector<RunReport> reports;      // filled by the port's thread
};


// Where a run takes place, for its host and for the front end.
struct RunPlace {
    size_t job = 0;             // index of its port in the jobs
    std::string label;          // what tells it from the other runs; "" for a lone run
    bool severalRuns = false;   // more than one port or module
    const UpgradeSettings* settings = nullptr;  // the run's own, its port and module in them
};

struct PortJobsFront {
    // Makes the host of one run; every log line and step goes to recorder too.
    std::function<std::unique_ptr<RunHost>(const RunPlace& place, RunRecorder& recorder)> makeHost;
    // Whether a stop was asked for: a run not yet begun is then skipped.
    std::function<bool()> stopRequested;
    // A run ended (or was skipped): its report is complete and, with a
    // record folder, its record is in the folder's journal. recordProblem
    // tells why its record file could not be written, "" when it could.
    // Called from the run's port thread.
    std::function<void(const RunPlace& place, const RunReport& report, const std::string& recordProblem)> runEnded;
};

// Gives every port of the plan its slot and its modules, before any run
// starts (the slot table is named on this thread only). "" when all went
// well, else why not, with status set to its exit status.
std::string resolvePorts(const FlashPlan& plan, std::vector<PortJob>& jobs, int& status);

// Runs every job: the first on this thread, every other on a thread of its
// own (or after the others when no thread can be had).
void runPortJobs(const FlashPlan& plan, std::vector<PortJob>& jobs, const PortJobsFront& front);

}  // namespace kq::production
