// kqsim's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/bootloader_model.h"
#include "sim/fault_plan.h"
#include "sim/flash_model.h"
#include "sim/line_pacing.h"
#include "sim/line_settings.h"
#include "sim/reply_sender.h"
#include "sim/sim_loop.h"

namespace kq::sim {

inline constexpr const char* DefaultModuleAddress = "000000000001";

struct SimOptions {
    ChipFamily family = ChipFamily::Kq581x;
    std::optional<uint32_t> bootSize;     // bytes; the family's default when absent
    ModuleMode mode = ModuleMode::Boot;
    bool stayInBoot = false;              // a jump or remote reset leads back to the bootloader
    ModuleLine line;
    PaceMode pace = PaceMode::None;
    int bitsPerCharacter = 0;             // 0: 10, or 11 with parity
    std::string linkPath;                 // empty: the first free ports/COMn
    std::string flashIn;
    std::string dumpPath;
    std::string logPath;
    std::string moduleAddress = DefaultModuleAddress;
    std::vector<std::string> busAddresses;  // --bus: several modules on the line, in order; empty: one module
    FaultPlan faults;
    ReplyShaping shaping;
    std::optional<uint64_t> hangupAfter;  // requests before the line is cut
    std::vector<Unplug> unplugs;          // --unplug-after, in the order of their request counts
    std::optional<int> replaceAfterMs;    // --replace-after: a module leaves after its upgrade, the next comes this much later

    int effectiveBitsPerCharacter() const {
        if (bitsPerCharacter != 0) return bitsPerCharacter;
        return line.parity == Parity::None ? 10 : 11;
    }
};

enum class ParseStatus { Run, Help, Version, Error };

// Arguments without the program name. On Error, error says what is wrong.
ParseStatus parseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

std::string usageText();

// Where --dump puts the flash of one module of a bus: the address goes
// before the file's extension ("flash.bin" -> "flash-000000000002.bin"),
// or at its end when it has none.
std::string moduleDumpPath(const std::string& dumpPath, const std::string& address);

}  // namespace kq::sim
