// One upgrade on one port with its record, as flash's port jobs and a
// station's cycles both run it: the record kept as the run goes, the run with
// the host the front end makes, and its outcome (exit status, step, hint)
// written into the record before the record ends.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "production/run_record.h"
#include "production/run_recorder.h"
#include "upgrade/upgrade_run.h"

namespace kq::production {

// A run's host as the production line uses it, besides its UpgradeHost calls.
class RunHost : public UpgradeHost {
public:
    // The run whose stop button the host presses.
    virtual void attach(UpgradeRun& run) = 0;
    // After the run: hands over an open log line.
    virtual void finish() = 0;
    // Whether the host's handshake time-out pressed stop.
    virtual bool handshakeTimedOut() const = 0;
};

class RecordsJournal;
struct JournalAppend;

struct OneRunSetup {
    std::string logDir;           // "" = no record file
    RecordsJournal* journal = nullptr;  // the record folder's journal; nullptr without one
    // The record's line is in the journal (a records database's sender is told).
    std::function<void(const JournalAppend&)> journaled;
    int handshakeTimeoutMs = 0;   // the host's, for the hint
    std::string portDevice;       // the slot's device name, for the hint
    // Makes the run's host; every log line and step goes to recorder too.
    std::function<std::unique_ptr<RunHost>(RunRecorder& recorder)> makeHost;
    std::function<bool()> stopRequested;
};

struct OneRunEnding {
    RunReport report;           // complete, its record file ended
    std::string recordProblem;  // why the record file could not be written, "" when it could
};

// report holds what is known before the run (its settings with the port's
// slot). A station's report (report.station) is marked port-lost when the
// port failed during the run. The record ends here: its file, then its line
// in the journal (it gets a run id first when it has none).
OneRunEnding runOneUpgrade(RunReport report, const OneRunSetup& setup);

// Appends a record to the journal, durably, before its run counts as ended;
// why not, "" when it is there (or journal is nullptr). journaled, when
// given, hears of a line that went in.
std::string journalRecord(RecordsJournal* journal, const RunReport& report,
                          const std::function<void(const JournalAppend&)>& journaled = {});

}  // namespace kq::production
