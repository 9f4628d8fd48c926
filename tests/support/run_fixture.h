// The common set-up of the upgrade-run tests: a recording host attached to a
// run over scripted commands, commands echoed into the host's record as
// "cmd:<name>", and a HEX file of a chosen size behind the controls.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/recording_host.h"
#include "support/scripted_commands.h"
#include "support/temp_hex_file.h"
#include "upgrade/upgrade_run.h"

namespace kq::test {

inline constexpr int TestPort = 3;

// A stop pressed at one of the run's checks, with the commands that went out.
struct StopCase {
    const char* name = "";
    int bytes = 1024;  // program size: 1024 = two sectors
    std::vector<std::pair<const char*, std::vector<CommandResult>>> scripts{};
    const char* stopAfterLog = nullptr;  // press stop at the first pump after this line
    const char* stopDuring = nullptr;    // or at the first pump after the first call of this command
    RunStep step = RunStep::None;
    std::vector<std::string> names{};
};

inline std::ostream& operator<<(std::ostream& out, const StopCase& c) { return out << c.name; }

class RunFixture : public ::testing::Test {
protected:
    RunFixture() {
        host.attach(run);
        host.controls.portNumber = TestPort;
        commands.onCall = [this](const CommandCall& call) { host.note("cmd:" + call.name); };
    }

    // A program of byteCount bytes at the user offset (given as in the controls).
    void useProgram(int byteCount, uint32_t userOffset = 0x1000) {
        program = programBytes(byteCount);
        host.controls.hexPath = hexFile.write(userOffset, program);
    }

    // Scripts the case's command results and arms its stop.
    void armStop(const StopCase& c) {
        useProgram(c.bytes);
        for (const auto& [command, results] : c.scripts) commands.script(command, results);
        if (c.stopAfterLog != nullptr) host.stopAfterLog(c.stopAfterLog);
        if (c.stopDuring != nullptr) {
            commands.onCall = [this, during = std::string(c.stopDuring)](const CommandCall& call) {
                host.note("cmd:" + call.name);
                if (call.name == during && commands.count(call.name) == 1) host.stopAtNextPump();
            };
        }
    }

    // The padded image the run should send: the program, then 0xFF to a whole sector.
    std::vector<uint8_t> paddedProgram() const {
        std::vector<uint8_t> padded = program;
        padded.resize((program.size() + 511) / 512 * 512, 0xFF);
        return padded;
    }

    // The recorded lines from the first one equal to from (inclusive) on.
    std::vector<std::string> callsFrom(const std::string& from) const {
        auto it = std::find(host.calls.begin(), host.calls.end(), from);
        return {it, host.calls.end()};
    }

    RecordingHost host;
    ScriptedCommands commands;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    UpgradeRun run{host, commands, *image};
    TempHexFile hexFile;
    std::vector<uint8_t> program;
};

}  // namespace kq::test
