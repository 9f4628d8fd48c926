#include "flashwright_cli_commands.h"

#include <array>
#include <memory>
#include <string>

#include "cli/console.h"
#include "flashwright_cli_interrupt.h"
#include "flashwright_cli_outcome.h"
#include "flashwright_cli_terminal_host.h"
#include "link/serial_port.h"

namespace kq::cli {

namespace {

void errorLine(std::FILE* err, const std::string& text) {
    std::fprintf(err, "flashwright-cli: %s\n", text.c_str());
    std::fflush(err);
}

}  // namespace

int runPortsCommand(std::FILE* out, std::FILE* err) {
    std::array<int, MaxPorts> ports{};
    int count = 0;
    enumeratePorts(ports, count);
    if (count == 0) errorLine(err, "no serial port can be opened");
    for (int i = 0; i < count; ++i) {
        std::fprintf(out, "COM%d  %s\n", ports[size_t(i)], portDescription(ports[size_t(i)]).c_str());
    }
    std::fflush(out);
    return ExitSuccess;
}

int runFlashCommand(const FlashOptions& options, std::FILE* out, std::FILE* err) {
    initPortNames();
    int port = comPortNumber(options.portText);
    if (port == 0) {
        port = portForDevice(options.portText);
        if (port == 0) {
            errorLine(err, "no free port number for " + options.portText + ": all of COM1..COM32 are taken");
            return ExitPortFailed;
        }
    }
    UpgradeSettings settings = options.settings;
    settings.portNumber = port;

    TerminalSetup setup;
    setup.marking = console::showsColours(out) ? RedMarking::Colours : RedMarking::Prefix;
    setup.progressLine = console::takesEscapeSequences(err);
    setup.handshakeTimeoutMs = options.handshakeTimeoutMs;

    SerialCommandSet commands;
    const uint32_t repliesBefore = repliesFound();
    const uint32_t failuresBefore = deviceFailuresFound();
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    TerminalHost host(settings, setup, out, err);
    UpgradeRun run(host, commands, *image);
    host.attach(run);

    installInterruptHandler(setup.progressLine);
    const RunResult result = run.runUpgrade();
    removeInterruptHandler();
    host.finish();

    const std::string portDevice = portDeviceName(port);
    const RunOutcome outcome =
        describeOutcome(result, {repliesFound() != repliesBefore, deviceFailuresFound() != failuresBefore,
                                 options.portText, portDevice, settings.hexPath});
    if (!outcome.hint.empty()) errorLine(err, outcome.hint);
    return outcome.exitStatus;
}

}  // namespace kq::cli
