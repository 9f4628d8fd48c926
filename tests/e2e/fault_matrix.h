// The fault matrix: one upgrade run per cell, in this process through the
// core (UpgradeRun over the serial channel), against a simulated module that
// injects one fault. A cell names its path, the module's faults, the log it
// expects, the ending with its step, and optionally request counts and
// whether the image ended up in the module's user-program area.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/request_records.h"
#include "upgrade/upgrade_run.h"

namespace kq::testing {

enum class Path { Local, NoBackup, Backup };

// What the module's user-program area holds once the run is over.
enum class Installed { Unchecked, Image, NotImage };

struct Cell {
    const char* name = "";
    Path path = Path::Local;
    std::vector<std::string> simArgs{};    // faults, besides family and mode
    std::vector<std::string> lines{};      // the log: "@time" for a time stamp, "! " before red text
    RunEnding ending = RunEnding::Success;
    RunStep step = RunStep::None;
    std::map<std::string, int> requests{};  // commands not listed are not counted
    Installed installed = Installed::Unchecked;
    const char* stopAfterLog = nullptr;    // press stop at the first pump after this log line (without its line end)
    int stopAtPump = 0;                    // or at this pump (1-based), 0 = never
};

inline void PrintTo(const Cell& cell, std::ostream* os) { *os << cell.name; }
inline std::string cellName(const ::testing::TestParamInfo<Cell>& info) { return info.param.name; }

// The matrix image: one sector's worth of program (padded to 512 bytes).
inline constexpr int MatrixProgramBytes = 500;
inline constexpr uint32_t MatrixUserOffset = 0x1000;      // user-program offset of the 251 module
inline constexpr uint32_t MatrixUpgradeOffset = 0x8000;   // its backup area
inline constexpr int MatrixUpgradeAreaKiB = 28;
inline constexpr int MatrixFrameIndex = 1;                // 128-byte frames: four per sector
inline constexpr const char* MatrixModuleAddress = "000000000001";

// What a finished run left behind.
struct CellOutcome {
    RunResult result;
    std::vector<std::string> lines;  // the log in the cells' notation
    int picture = -1;                // the status picture shown last
    bool portClosed = false;         // the serial channel's slot after the run
    int opens = 0, closes = 0;       // calls of the host's open and close
    std::vector<RequestRecord> requests;
    std::vector<uint8_t> userArea;   // the module's flash from the user offset, one padded image long
    std::vector<uint8_t> image;      // the padded image the run was given
};

// A module started with "--hangup-after 0" drops its line at once: waits
// until its link is gone, so that the run meets a port that is not there.
void waitUntilUnplugged(const std::string& link);

// Runs one cell to its end (fails the test when the module does not start).
CellOutcome runCell(const Cell& cell);
// Runs the cell and checks everything it names.
void checkCell(const Cell& cell);

// ---- log pieces of a one-sector run ---------------------------------------------

inline const std::string Time = "@time";
std::vector<std::string> join(std::initializer_list<std::vector<std::string>> pieces);

extern const std::vector<std::string> FileRead;        // time stamp, file read, one sector
extern const std::vector<std::string> Handshake;       // time stamp, handshake start and success
extern const std::vector<std::string> FlagAndReset;    // time stamp, upgrade flag, reset, wait
extern const std::vector<std::string> Erase;
extern const std::vector<std::string> Write;
extern const std::vector<std::string> WriteAgain;      // a sector written at the second attempt
extern const std::vector<std::string> CheckAndJump;    // check, jump, time stamp, success
extern const std::vector<std::string> Configure;
extern const std::vector<std::string> VerifyAndReset;  // verify, reset, success
extern const std::vector<std::string> Stopped;         // time stamp, stop pressed, back

}  // namespace kq::testing
