#include "production/outcome.h"

#include "link/port_lock.h"

namespace kq::production {

namespace {

constexpr std::string_view NeverAnsweredHint =
    "the module never answered: check the port, the baud rate and parity, the wiring, "
    "and that the module is in its bootloader";

// Why a module that did answer may fail this step.
std::string_view stepHint(RunStep step) {
    switch (step) {
        case RunStep::UpgradeFlag:
            return "the running program refused the upgrade flag: it may not support a remote upgrade";
        case RunStep::Erase:
            return "the erase failed: the flash may be protected, or the chip type is wrong";
        case RunStep::Write:
            return "a write failed: a noisy or too fast line, or a user offset the bootloader does not accept";
        case RunStep::Check:
            return "the module did not return its flash CRC: a noisy line, or the module reset during the check";
        case RunStep::CrcMismatch:
            return "the flash CRC differs from the file's: wrong user offset or chip type, or the flash was "
                   "not erased";
        case RunStep::Configure:
            return "the configure step failed: check the upgrade and user offsets, the area size and the "
                   "module address";
        case RunStep::Verify:
            return "the module's verify failed: the received image did not match its CRC (a noisy line, "
                   "or wrong offsets)";
        case RunStep::ModuleAddress:
            return "the module address must be pairs of two decimal digits or AA";
        default:
            return "";
    }
}

// "COM3 (/dev/ttyUSB0)", or the device alone when the user named it so.
std::string namedPort(std::string_view portName, std::string_view portDevice) {
    std::string named(portName);
    if (!portDevice.empty() && portDevice != portName) named += " (" + std::string(portDevice) + ")";
    return named;
}

std::string lockHint(const RunContext& context, const std::string& port) {
    const std::string lockPath(context.lockPath);
    switch (context.lockOwner) {
        case LockOwnerUnknown:
            return port + " is held by its lock file " + lockPath +
                   ", whose content is not a process id: remove that file when no program uses the port";
        case LockOwnerUnreadable:
            return port + " is in use: its lock file " + lockPath +
                   " cannot be read (a program of another user may hold the port)";
        default:
            break;
    }
    const std::string holder = context.lockOwner > 0 ? "process " + std::to_string(context.lockOwner)
                                                       : std::string("another program");
    return port + " is in use: " + holder + " holds its lock file " + lockPath;
}

// Why the device did not open, as the open found it.
std::string openProblemHint(const OpenProblem& problem, const std::string& port) {
    const std::string opened = port + " could not be opened: ";
    switch (problem.failure) {
        case OpenFailure::NoDevice:
            return opened + "no such device (is the adapter plugged in? see \"flashwright-cli ports\")";
        case OpenFailure::NotSerial:
            return opened + "not a serial device (a regular file, a folder or a device such as /dev/null)";
        case OpenFailure::Busy:
            if (problem.holder > 0) {
                const std::string name = problem.holderName.empty() ? "" : " (" + problem.holderName + ")";
                return port + " is in use: process " + std::to_string(problem.holder) + name + " has it open";
            }
            return port + " is in use: another program has it open";
        case OpenFailure::NoPermission:
            if (!problem.group.empty() && problem.group != "root") {
                return opened + "permission denied: the device belongs to the group " + problem.group +
                       "; join it with \"sudo usermod -aG " + problem.group + " $USER\", then log in again";
            }
            return opened + "permission denied: this user may not read and write the device";
        case OpenFailure::Other:
            if (!problem.systemReason.empty()) return opened + problem.systemReason;
            break;
        case OpenFailure::None:
            break;
    }
    return port + " could not be opened";
}

std::string portHint(const RunContext& context) {
    const std::string port = namedPort(context.portName, context.portDevice);
    if (context.lockOwner != 0) return lockHint(context, port);
    if (context.portDevice.empty()) {
        return std::string(context.portName) + " names no serial device: see \"flashwright-cli ports\"";
    }
    return openProblemHint(context.openProblem, port);
}

// A module of the remote upgrade with backup that never answered: the port
// and the line may be fine (other modules of the bus may answer), but no
// module of that address is there.
std::string silentModuleHint(const RunContext& context) {
    return "no answer from module " + std::string(context.moduleAddress) + " on the bus at " +
           namedPort(context.portName, context.portDevice) +
           ": check that its address is right and that it is on this bus, then the baud rate and parity and "
           "the wiring";
}

// The port opened, then failed at the device: the line and the module are not to blame.
std::string lostPortHint(std::string_view portName, std::string_view portDevice) {
    return namedPort(portName, portDevice) + " stopped working during the run (adapter unplugged?)";
}

// Why the file could not be opened, as the system or the loader found it.
std::string openFailureText(const HexLoadReport& report) {
    switch (report.openError) {
        case FileOpenError::Missing:
            return "no such file";
        case FileOpenError::NotRegularFile:
            return "not a regular file (a folder, FIFO or device)";
        case FileOpenError::PermissionDenied:
            return "permission denied";
        case FileOpenError::None:
        case FileOpenError::Other:
            break;
    }
    return report.systemReason.empty() ? "cannot be opened" : report.systemReason;
}

std::string fileHint(const HexLoadReport& report, std::string_view hexPath) {
    const std::string named = "\"" + std::string(hexPath) + "\": ";
    switch (report.problem) {
        case HexLoadProblem::CannotOpen:
            return named + openFailureText(report);
        case HexLoadProblem::ReadFailed:
            return named + "could not be read";
        case HexLoadProblem::NoData:
            return named + "no data records: is this an Intel HEX file?";
        case HexLoadProblem::Malformed:
            return "every record must be well formed (hex digits, the length its count gives, checksum, nothing "
                   "but blanks after it) on a line of at most 1024 characters";
        case HexLoadProblem::OutsideWindow:
        case HexLoadProblem::None:
            break;
    }
    return "every data record must lie inside the window of the chip, bootload type, user offset (and upgrade "
           "area)";
}

// Severity of each status, higher is more severe (see mostSevereStatus).
int severity(int status) {
    switch (status) {
        case ExitSuccess: return 0;
        case ExitHandshakeTimeout: return 1;
        case ExitPortFailed: return 2;
        case ExitModuleFailed: return 3;
        case ExitStopped: return 4;
        case ExitHexRefused: return 5;
        case ExitUsage: return 6;
        default: return 7;  // unknown: never hidden behind a known one
    }
}

}  // namespace

int mostSevereStatus(int a, int b) { return severity(b) > severity(a) ? b : a; }

std::string_view resultWord(int exitStatus) {
    switch (exitStatus) {
        case ExitSuccess: return "success";
        case ExitModuleFailed: return "failed";
        case ExitUsage: return "usage";
        case ExitHexRefused: return "refused";
        case ExitPortFailed: return "port";
        case ExitStopped: return "stopped";
        case ExitHandshakeTimeout: return "timeout";
        default: return "failed";
    }
}

namespace {

RunOutcome withResultWord(int exitStatus, std::string hint) {
    return {exitStatus, std::move(hint), resultWord(exitStatus)};
}

// The ending of a run, the port's device failing aside.
RunOutcome endingOutcome(const RunResult& result, const RunContext& context) {
    switch (result.ending) {
        case RunEnding::Success:
        case RunEnding::Ignored:
            return withResultWord(ExitSuccess, "");
        case RunEnding::Stopped:
            // A stop during an unanswered handshake says as much about the
            // line as a failure does.
            if (result.step != RunStep::Handshake) return withResultWord(ExitStopped, "");
            if (context.handshakeTimedOut && !context.interrupted) {
                return withResultWord(ExitHandshakeTimeout, "no answer to the handshake within " +
                                                                std::to_string(context.handshakeTimeoutMs) +
                                                                " ms: " + std::string(NeverAnsweredHint));
            }
            return withResultWord(ExitStopped, std::string(NeverAnsweredHint));
        case RunEnding::FailedWithoutPicture:
        case RunEnding::FailedWithCross:
            break;
    }
    switch (result.step) {
        case RunStep::File:
            return withResultWord(ExitHexRefused, fileHint(result.fileReport, context.hexPath));
        case RunStep::Port:
            return withResultWord(ExitPortFailed, portHint(context));
        case RunStep::ModuleAddress:
            return withResultWord(ExitUsage, std::string(stepHint(result.step)));
        default:
            if (context.moduleAnswered) return withResultWord(ExitModuleFailed, std::string(stepHint(result.step)));
            if (!context.moduleAddress.empty()) return withResultWord(ExitModuleFailed, silentModuleHint(context));
            return withResultWord(ExitModuleFailed, std::string(NeverAnsweredHint));
    }
}

}  // namespace

RunOutcome describeOutcome(const RunResult& result, const RunContext& context) {
    const RunOutcome outcome = endingOutcome(result, context);
    // The device failed a read, write or RTS change: whatever step that hit
    // (a handshake that kept failing at the port ends as step Port), the
    // port is to blame, not the module. A success stays one (only a command
    // whose result is not looked at can have failed), and so do the user's
    // own stop and a file or usage error.
    if (!context.portFailed) return outcome;
    switch (outcome.exitStatus) {
        case ExitModuleFailed:
        case ExitPortFailed:
        case ExitHandshakeTimeout:
            return {ExitPortFailed, lostPortHint(context.portName, context.portDevice), PortLostResult};
        case ExitStopped:
            if (result.step == RunStep::Handshake) {
                return {ExitStopped, lostPortHint(context.portName, context.portDevice), outcome.result};
            }
            return outcome;
        default:
            return outcome;
    }
}

std::string fileWarningLine(std::string_view hexPath, std::string_view warning) {
    return "warning: \"" + std::string(hexPath) + "\": " + std::string(warning);
}

}  // namespace kq::production
