#include "production/outcome.h"

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

std::string portHint(const RunContext& context) {
    const std::string_view portName = context.portName;
    const std::string_view portDevice = context.portDevice;
    if (context.lockOwner != 0) {
        const std::string holder = context.lockOwner > 0 ? "process " + std::to_string(context.lockOwner)
                                                           : std::string("another program");
        return namedPort(portName, portDevice) + " is in use: " + holder + " holds its lock file " +
               std::string(context.lockPath);
    }
    if (portDevice.empty()) {
        return std::string(portName) + " names no serial device: see \"flashwright-cli ports\"";
    }
    return namedPort(portName, portDevice) +
           " could not be opened: the device does not exist, another program holds it, "
           "or you lack permission (the dialout group)";
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

RunOutcome describeOutcome(const RunResult& result, const RunContext& context) {
    switch (result.ending) {
        case RunEnding::Success:
        case RunEnding::Ignored:
            return {ExitSuccess, ""};
        case RunEnding::Stopped:
            // A stop during an unanswered handshake says as much about the
            // line as a failure does.
            if (result.step != RunStep::Handshake) return {ExitStopped, ""};
            if (context.handshakeTimedOut && !context.interrupted) {
                const std::string waited = "no answer to the handshake within " +
                                           std::to_string(context.handshakeTimeoutMs) + " ms";
                if (context.portFailed) {
                    return {ExitHandshakeTimeout, waited + "; " + lostPortHint(context.portName, context.portDevice)};
                }
                return {ExitHandshakeTimeout, waited + ": " + std::string(NeverAnsweredHint)};
            }
            if (context.portFailed) return {ExitStopped, lostPortHint(context.portName, context.portDevice)};
            return {ExitStopped, std::string(NeverAnsweredHint)};
        case RunEnding::FailedWithoutPicture:
        case RunEnding::FailedWithCross:
            break;
    }
    switch (result.step) {
        case RunStep::File:
            return {ExitHexRefused, fileHint(result.fileReport, context.hexPath)};
        case RunStep::Port:
            // Also the ending of a handshake that kept failing at the port.
            if (context.portFailed) return {ExitPortFailed, lostPortHint(context.portName, context.portDevice)};
            return {ExitPortFailed, portHint(context)};
        case RunStep::ModuleAddress:
            return {ExitUsage, std::string(stepHint(result.step))};
        default:
            if (context.portFailed) return {ExitModuleFailed, lostPortHint(context.portName, context.portDevice)};
            return {ExitModuleFailed,
                    std::string(context.moduleAnswered ? stepHint(result.step) : NeverAnsweredHint)};
    }
}

}  // namespace kq::production
