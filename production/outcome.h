// What a finished run means for the command line: its exit status, and a
// one-line hint naming the likely causes of a failure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"
#include "upgrade/upgrade_run.h"

namespace kq::production {

enum ExitStatus : int {
    ExitSuccess = 0,
    ExitModuleFailed = 1,     // upgrade flag, erase, write, check, CRC, configure, verify
    ExitUsage = 2,            // bad options, address file or log folder; invalid module address
    ExitHexRefused = 3,
    ExitPortFailed = 4,       // the port could not be opened (busy, missing), or its device failed during the run
    ExitStopped = 5,          // Ctrl-C (also when a handshake time-out came too)
    ExitHandshakeTimeout = 6, // the handshake went unanswered for the whole time-out
};

// The status of several runs: the most severe of theirs. From the most severe
// down: 2 usage, 3 HEX file refused, 5 stopped, 1 module failed, 4 port,
// 6 handshake time-out, 0 success. What the operator must see first comes
// first: a wrong input or setup spoils every run, a stop or a failed step
// leaves a module half written, a port or an unanswered handshake leaves it
// untouched.
int mostSevereStatus(int a, int b);

// The word for a run's status in records and JSON: success, failed, refused,
// port, stopped, timeout (usage: "usage"). A run whose port failed during
// the run has status 4 too, but the word PortLostResult (see RunOutcome).
std::string_view resultWord(int exitStatus);
inline constexpr std::string_view PortLostResult = "port-lost";

struct RunOutcome {
    int exitStatus = ExitSuccess;
    std::string hint;  // "" when there is nothing to add
    // The result word of records and JSON: resultWord(exitStatus), or
    // PortLostResult when the port's device failed during the run.
    std::string_view result = resultWord(ExitSuccess);
};

// What the outcome is told about the run besides its result.
struct RunContext {
    bool moduleAnswered = false;   // the module gave any valid reply during the run
    bool portFailed = false;       // the open port failed a read, write or RTS change (adapter gone)
    std::string_view portName;     // how the user named the port
    std::string_view portDevice;   // the device behind it ("" if none)
    std::string_view hexPath;      // the HEX file given
    bool interrupted = false;      // Ctrl-C was pressed during the run
    bool handshakeTimedOut = false;  // the host's handshake time-out pressed stop
    int handshakeTimeoutMs = 0;
    int lockOwner = 0;             // who held the port's lock file when the open was refused (see port_lock.h)
    std::string_view lockPath{};
    OpenProblem openProblem{};     // why the port did not open, as the open found it
    // The module the remote upgrade with backup named ("" on the other paths).
    std::string_view moduleAddress{};
};

RunOutcome describeOutcome(const RunResult& result, const RunContext& context);

// One warning of a HEX file that loaded (hexLoadWarnings) as standard error
// shows it, naming the file:
// "warning: \"app.hex\": no end record".
std::string fileWarningLine(std::string_view hexPath, std::string_view warning);

}  // namespace kq::production
