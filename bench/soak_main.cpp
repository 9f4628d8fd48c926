// kq_soak: consecutive upgrades through the core against simulated modules
// with random faults. After each run it checks that the ending is the one the
// fault calls for, that no file descriptor is left open, and that a run that
// installs the image left exactly the image in the module's flash; over all
// runs, that resident memory stays flat after a warm-up.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/soak_faults.h"
#include "bench/soak_host.h"
#include "bench/soak_probe.h"
#include "image/firmware_image.h"
#include "link/serial_port.h"
#include "support/kqsim_process.h"
#include "support/temp_hex_file.h"

namespace kq::soak {
namespace {

constexpr int DefaultRuns = 300;
constexpr uint32_t DefaultSeed = 20240611;
constexpr int WarmUpRuns = 20;            // runs before the memory baseline is taken
constexpr int64_t DefaultRssBoundKiB = 1024;  // growth allowed after the warm-up, KiB
constexpr int MaxProgramBytes = 1024;     // two sectors at most

struct Options {
    int runs = DefaultRuns;
    uint32_t seed = DefaultSeed;
    int64_t rssBoundKiB = DefaultRssBoundKiB;
    std::string sim;
    bool verbose = false;
};

// A chip family's layout as the module and the run see it.
struct Chip {
    const char* family;       // kqsim --family
    int chipFamily;
    uint32_t userOffset;      // also the user area's index in the flash dump
    const char* userOffsetHex;
    const char* upgradeOffsetHex;
    int upgradeAreaKiB;
};
constexpr Chip Chips[] = {
    {"251", Kq581x, 0x1000, "1000", "8000", 28},
    {"arm", Kq58xx, 0x4000, "4000", "11000", 52},
};

int usage(const char* error) {
    if (error != nullptr) std::fprintf(stderr, "kq_soak: %s\n", error);
    std::fprintf(error ? stderr : stdout,
                 "Usage: kq_soak [--runs N] [--seed N] [--rss-bound KIB] [--sim PATH] [--verbose]\n"
                 "Runs N upgrades (default %d) through the core against kqsim with random faults.\n",
                 DefaultRuns);
    return error ? 2 : 0;
}

std::string besideMe(const char* name) {
    std::error_code ignored;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return (self.parent_path() / name).string();
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool parse(int argc, char** argv, Options& o, int& exitCode) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            exitCode = usage(nullptr);
            return false;
        }
        if (arg == "--verbose") {
            o.verbose = true;
        } else if (arg == "--runs" && hasValue) {
            o.runs = std::atoi(argv[++i]);
        } else if (arg == "--seed" && hasValue) {
            o.seed = uint32_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--rss-bound" && hasValue) {
            o.rssBoundKiB = std::atoll(argv[++i]);
        } else if (arg == "--sim" && hasValue) {
            o.sim = argv[++i];
        } else {
            exitCode = usage(("unknown or incomplete option " + arg).c_str());
            return false;
        }
    }
    if (o.runs < 1) {
        exitCode = usage("--runs must be at least 1");
        return false;
    }
    if (o.sim.empty()) o.sim = besideMe("kqsim");
    return true;
}

class Soak {
public:
    Soak(const Options& options, const std::string& folder) : o_(options), folder_(folder), random_(options.seed) {}

    // One upgrade; returns the reason it failed, or "" when every check held.
    std::string runOnce(int index) {
        const auto& faults = soakFaults();
        const SoakFault& fault = faults[std::uniform_int_distribution<size_t>(0, faults.size() - 1)(random_)];
        const Chip& chip = Chips[std::uniform_int_distribution<int>(0, 1)(random_)];
        std::vector<uint8_t> program(std::uniform_int_distribution<int>(1, MaxProgramBytes)(random_));
        for (uint8_t& byte : program) byte = uint8_t(random_());
        const int frameIndex = std::uniform_int_distribution<int>(0, 2)(random_);  // two frames a sector or more
        lastFault_ = fault.name;

        const int fdsBefore = openDescriptors();
        std::string failure = upgrade(fault, chip, program, frameIndex);
        const int fdsAfter = openDescriptors();
        if (failure.empty() && fdsAfter != fdsBefore) {
            failure = "file descriptors " + std::to_string(fdsBefore) + " -> " + std::to_string(fdsAfter);
        }
        if (o_.verbose || !failure.empty()) {
            std::printf("run %d: %s (%s, %zu bytes)%s%s\n", index + 1, fault.name, chip.family, program.size(),
                        failure.empty() ? "" : ": ", failure.c_str());
        }
        return failure;
    }

    const char* lastFault() const { return lastFault_; }

private:
    std::string upgrade(const SoakFault& fault, const Chip& chip, const std::vector<uint8_t>& program,
                        int frameIndex) {
        test::TempHexFile hexFile;
        const std::string hexPath = hexFile.write(chip.userOffset, program);
        std::error_code ignored;
        std::filesystem::remove(folder_ + "/flash.bin", ignored);

        std::vector<std::string> args = {"--family", chip.family, "--mode",
                                         fault.bootloadType == LocalUpgrade ? "boot" : "app"};
        args.insert(args.end(), fault.args.begin(), fault.args.end());
        KqsimProcess module(o_.sim, folder_, args);
        if (!module.ready()) return "the simulated module did not start: " + module.error();

        UpgradeSettings settings;
        settings.portNumber = portForDevice(module.device());
        settings.chipFamily = chip.chipFamily;
        settings.bootloadType = fault.bootloadType;
        settings.hexPath = hexPath;
        settings.userOffsetHex = chip.userOffsetHex;
        settings.upgradeOffsetHex = chip.upgradeOffsetHex;
        settings.upgradeAreaKiB = chip.upgradeAreaKiB;
        settings.moduleAddress = "AAAAAAAAAAAA";
        settings.frameDataLength = frameIndex;

        SoakHost host(settings);
        SerialCommandSet commands;
        auto image = std::make_unique<FirmwareImage>();
        UpgradeRun run(host, commands, *image);
        host.attach(run);
        if (fault.stopAfter != nullptr) host.stopAfter(fault.stopAfter);
        const RunResult result = run.runUpgrade();

        const bool portOpen = isClosed(int16_t(settings.portNumber)) != 1;
        if (portOpen) closePort(settings.portNumber);
        if (!module.stop()) return "the simulated module did not end cleanly";

        std::string failure;
        if (result.ending != fault.ending || result.step != fault.step) {
            failure = std::string("ended ") + runEndingName(result.ending) + " at step " +
                      std::to_string(int(result.step)) + ", expected " + runEndingName(fault.ending) + " at step " +
                      std::to_string(int(fault.step));
        } else if (portOpen) {
            failure = "the port was left open";
        } else if (fault.ending == RunEnding::Success && host.picture() != PictureTick) {
            failure = "success without the green tick";
        } else if (fault.ending == RunEnding::Success) {
            std::vector<uint8_t> padded = program;
            padded.resize((program.size() + SectorSize - 1) / SectorSize * SectorSize, 0xFF);
            const std::vector<uint8_t> dump = readFile(module.dumpPath());
            const bool installed = dump.size() >= chip.userOffset + padded.size() &&
                                   std::equal(padded.begin(), padded.end(), dump.begin() + chip.userOffset);
            if (installed != fault.installs) {
                failure = fault.installs ? "the flash dump differs from the image" : "the image was installed";
            }
        }
        if (!failure.empty()) failure += "\n" + host.log();
        return failure;
    }

    const Options& o_;
    std::string folder_;
    std::mt19937 random_;
    const char* lastFault_ = "";
};

int soakMain(int argc, char** argv) {
    Options options;
    int exitCode = 0;
    if (!parse(argc, argv, options, exitCode)) return exitCode;

    std::string pattern = (std::filesystem::temp_directory_path() / "kq-soak-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("kq_soak: mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    std::printf("kq_soak: %d runs, seed %u (repeat with --seed %u), %zu fault kinds\n", options.runs,
                options.seed, options.seed, soakFaults().size());
    std::fflush(stdout);

    Soak soak(options, folder);
    const int fdsAtStart = openDescriptors();
    int passed = 0;
    int64_t rssFirst = 0, rssBaseline = 0, rssMax = 0, rssLast = 0;
    std::map<std::string, int> perFault;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < options.runs; ++i) {
        if (soak.runOnce(i).empty()) ++passed;
        ++perFault[soak.lastFault()];
        rssLast = residentKiB();
        if (i == 0) rssFirst = rssLast;
        if (i + 1 == std::min(WarmUpRuns, options.runs)) rssBaseline = rssLast;
        rssMax = std::max(rssMax, rssLast);
        if ((i + 1) % 50 == 0) {
            std::printf("  %d/%d runs, %d passed, RSS %lld KiB\n", i + 1, options.runs, passed, (long long)rssLast);
            std::fflush(stdout);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int fdsAtEnd = openDescriptors();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    std::printf("fault kinds drawn:");
    for (const auto& [name, count] : perFault) std::printf(" [%s] %d", name.c_str(), count);
    std::printf("\nfile descriptors: %d at start, %d at end\n", fdsAtStart, fdsAtEnd);
    const int64_t growth = rssMax - rssBaseline;
    std::printf("RSS KiB: first %lld, after %d runs %lld, last %lld, max %lld (growth after warm-up %lld, bound %lld)\n",
                (long long)rssFirst, std::min(WarmUpRuns, options.runs), (long long)rssBaseline, (long long)rssLast,
                (long long)rssMax, (long long)growth, (long long)options.rssBoundKiB);
    std::printf("time: %.1f s, %.0f ms a run\n", seconds, 1000 * seconds / options.runs);
    std::printf("%d/%d\n", passed, options.runs);

    bool ok = passed == options.runs;
    if (fdsAtEnd != fdsAtStart) {
        std::printf("FAIL: file descriptors leaked\n");
        ok = false;
    }
    if (growth > options.rssBoundKiB) {
        std::printf("FAIL: memory grew by %lld KiB after the warm-up\n", (long long)growth);
        ok = false;
    }
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace kq::soak

int main(int argc, char** argv) { return kq::soak::soakMain(argc, argv); }
