// kqsim: a simulated bootloader module on a pseudo-terminal.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/tool_folder.h"
#include "platform/program_version.h"
#include "sim/binary_file.h"
#include "sim/bootloader_model.h"
#include "sim/flash_model.h"
#include "sim/port_link.h"
#include "sim/pseudo_terminal.h"
#include "sim/reply_sender.h"
#include "sim/request_handler.h"
#include "sim/request_log.h"
#include "sim/sim_loop.h"
#include "sim/sim_options.h"
#include "sim/stop_signal.h"
#include "link/module_address.h"

namespace {

using namespace kq::sim;

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;   // could not start, or the dump could not be written
constexpr int ExitUsage = 2;

int fail(const std::string& message) {
    std::fprintf(stderr, "kqsim: %s\n", message.c_str());
    return ExitFailure;
}

bool loadFlash(FlashModel& flash, const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
    if (flash.load(data)) return true;
    error = path + " is larger than the flash (" + std::to_string(flash.geometry().size) + " bytes)";
    return false;
}

// One simulated module: its flash and its behaviour.
struct SimModule {
    SimModule(const SimOptions& options, std::string address)
        : flash(flashGeometry(options.family, options.bootSize)),
          model(flash, options.mode, options.stayInBoot),
          address(std::move(address)) {}
    FlashModel flash;
    BootloaderModel model;
    std::string address;
};

int run(SimOptions& options) {
    std::string error;
    if (!installStopSignals(error)) return fail(error);

    const bool onBus = !options.busAddresses.empty();
    std::vector<uint8_t> startFlash;
    if (!options.flashIn.empty() && !readBinaryFile(options.flashIn, startFlash, error)) return fail(error);
    std::vector<std::unique_ptr<SimModule>> modules;
    for (const std::string& address : onBus ? options.busAddresses : std::vector<std::string>{options.moduleAddress}) {
        modules.push_back(std::make_unique<SimModule>(options, address));
        if (!loadFlash(modules.back()->flash, options.flashIn, startFlash, error)) return fail(error);
    }
    RequestLog log;
    if (!options.logPath.empty() && !log.open(options.logPath, error)) return fail(error);

    std::vector<BusModule> bus;
    for (const auto& module : modules) {
        bus.push_back({&module->model, kq::encodeModuleAddress(module->address), onBus ? module->address : ""});
    }
    RequestHandler handler(std::move(bus), options.faults);
    if (options.replaceAfterMs) {
        Replacement replacement{*options.replaceAfterMs, startFlash, {}};
        if (!options.dumpPath.empty()) {
            replacement.keepFlash = [&options](const std::string& address, const std::vector<uint8_t>& flash) {
                std::string failure;
                if (!writeBinaryFile(moduleDumpPath(options.dumpPath, address), flash, failure)) {
                    std::fprintf(stderr, "kqsim: %s\n", failure.c_str());
                }
            };
        }
        handler.replaceModules(std::move(replacement));
    }

    PseudoTerminal line;
    if (!line.open(options.line, error)) return fail(error);
    PortLink link;
    std::string shownName = options.linkPath;
    bool linked = false;
    if (options.linkPath.empty()) {
        const std::string folder = kq::portLinkFolderForNewLinks(error);
        linked = !folder.empty() && link.createNumbered(folder, line.slaveName(), shownName, error);
    } else {
        linked = link.createAt(options.linkPath, line.slaveName(), error);
    }
    if (!linked) return fail(error);
    std::printf("kqsim: ready on %s (%s)\n", shownName.c_str(), line.slaveName().c_str());
    std::fflush(stdout);

    const LinePacer pacer(options.pace, options.line.baud, options.effectiveBitsPerCharacter());
    ReplySender sender(pacer, options.shaping);
    SimLoop loop({line, link, handler, sender, log},
                 {options.line, pacer, options.hangupAfter, options.unplugs});
    loop.run();

    // The dumps are complete before the link goes: a link that has gone means they can be read.
    int status = ExitOk;
    line.close();
    for (size_t k = 0; k < modules.size() && !options.dumpPath.empty(); ++k) {
        // A replaced module's successor has an address of its own.
        const std::string& address = handler.modules()[k].name;
        const std::string path = onBus ? moduleDumpPath(options.dumpPath, address) : options.dumpPath;
        if (!writeBinaryFile(path, modules[k]->flash.bytes(), error)) {
            std::fprintf(stderr, "kqsim: %s\n", error.c_str());
            status = ExitFailure;
        }
    }
    link.remove();
    const SimCounters& counters = loop.counters();
    std::fprintf(stderr, "kqsim: %llu requests, %llu bytes in, %llu bytes out\n",
                 static_cast<unsigned long long>(counters.requests), static_cast<unsigned long long>(counters.bytesIn),
                 static_cast<unsigned long long>(counters.bytesOut));
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    SimOptions options;
    std::string error;
    switch (parseSimOptions(args, options, error)) {
        case ParseStatus::Version:
            std::fputs(kq::versionLine("kqsim").c_str(), stdout);
            return ExitOk;
        case ParseStatus::Help:
            std::fputs(usageText().c_str(), stdout);
            return ExitOk;
        case ParseStatus::Error:
            std::fprintf(stderr, "kqsim: %s\nTry 'kqsim --help'.\n", error.c_str());
            return ExitUsage;
        case ParseStatus::Run:
            break;
    }
    return run(options);
}
