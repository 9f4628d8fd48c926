// The record of one run: what went into which module, how and with what
// ending. Written as a text file per run (--log-dir), as one JSON line per
// run (--json), and as a row of the summary of several runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "production/image_facts.h"
#include "production/station_facts.h"
#include "upgrade/upgrade_settings.h"

namespace kq::production {

struct TimedLine {
    std::string time;  // local time "YYYY-MM-DD hh:mm:ss.mmm"
    std::string text;  // the log line, red lines marked "! "
};

// The step word of a module whose run never began (Ctrl-C came first).
inline constexpr std::string_view NotStartedStep = "not_started";

struct RunReport {
    // What and where.
    std::string runId;         // names the record everywhere (run_id.h); "" when it has none
    std::string version;       // the program's version ("1.2.0")
    std::string host;          // the machine's name
    std::string portText;      // the port as given
    int port = 0;              // its slot, 1..32
    std::string device;        // the device behind it, links resolved
    UpgradeSettings settings;  // the run's settings, its module address included
    std::string started;       // local time "YYYY-MM-DD hh:mm:ss.mmm"
    std::optional<HexFileFacts> hexFile;  // none when the file could not be read
    std::optional<ImageFacts> image;      // none when the file was refused
    std::vector<std::string> warnings;    // what the file, loaded, may hide (hexLoadWarnings)
    std::vector<TimedLine> log;
    // The ending.
    int exitStatus = 0;
    bool portLost = false;      // the port's device failed during the run (status 4)
    std::string step = "done";  // runStepName, or NotStartedStep
    double durationS = 0;
    std::string hint;           // the likely cause of a failure, "" when none
    std::string recordPath;     // the record file, "" when none
    std::optional<StationFacts> station;  // a station's cycle: its station, port name, cycle and adapter

    // The remote paths name the module.
    bool remote() const { return settings.bootloadType == RemoteWithBackup || settings.bootloadType == RemoteWithoutBackup; }
};

// The record's result word: resultWord of its exit status, or PortLostResult
// ("port-lost") when the port's device failed during the run, or a station's
// port went away during its cycle.
std::string_view recordResultWord(const RunReport& report);

// "YYYYMMDD-hhmmss-mmm_COMn[_device][_address].log": when, the port's slot,
// the device's own name when the port was given as a path, and on the remote
// paths the module address. Only letters, digits, '.', '-' and '_'.
std::string recordFileName(const RunReport& report);
// The record file's parts: the header (everything above the log), one log
// line, and the ending. The header and the ending are the lines of the
// run's facts (run_fields.h).
std::string recordHeaderText(const RunReport& report);
std::string recordLineText(const TimedLine& line);
std::string recordEndingText(const RunReport& report);

// The JSON object of a run's facts, on one line without its line end.
std::string runJson(const RunReport& report);

// A table of the runs: port (and module address on the remote paths),
// result, step and duration, one line each, under a heading.
std::string summaryTable(const std::vector<RunReport>& reports);

}  // namespace kq::production
