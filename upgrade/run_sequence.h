// The steps of one upgrade run: the common start, the local and remote
// paths, and the ways a run ends. Internal to upgrade/.
#pragma once

#include <string_view>

#include "upgrade/upgrade_run.h"

namespace kq {

class UpgradeRun::Sequence {
public:
    // settings is the snapshot taken at the press; the run reads nothing else.
    Sequence(UpgradeRun& run, const UpgradeSettings& settings);

    // The whole run; its result carries the load's report (why the file was
    // refused, or what a loaded file may hide).
    RunResult run();

private:
    RunResult loadAndRun();
    // The yellow lines after the sector count for a file that loaded but may
    // be cut off or hold lines that are not records.
    void warnAboutFile();

    // The paths after the common start (port open, image loaded).
    RunResult localPath();
    RunResult remoteWithoutBackupPath();
    RunResult remoteWithBackupPath();

    // Steps shared by the local and the remote-without-backup paths; each
    // returns false once the run has ended (result_ then holds the ending).
    bool handshakeUntilAnswered();
    bool writeUpgradeFlagAndReset();
    bool eraseAllSectors();
    bool writeAllSectors();
    bool writeOneSector(int sector, uint32_t base);
    bool checkFlashCrc();
    RunResult jumpAndSucceed();

    // Steps of the remote-with-backup path.
    bool configureModule(const ModuleAddress& address);
    bool sendAllFrames(const ModuleAddress& address);
    bool sendFrame(const ModuleAddress& address, uint32_t offset, int size);
    bool verifyModule(const ModuleAddress& address);
    RunResult resetAndSucceed(const ModuleAddress& address);

    // Stop check: true when the stop button has cleared the run flag; the run
    // is then ended ("暂停返回", port closed).
    bool stoppedAt(RunStep step);
    // Ends the run with a red line, the red cross and the port closed.
    bool failWithCross(std::string_view message, RunStep step);
    // Ends the run as a success: label cleared, port closed, controls written.
    RunResult succeed();

    // A flash address of the module from an address of the user program.
    uint32_t flashAddress(uint32_t address) const;

    UpgradeRun& run_;
    UpgradeHost& host_;
    CommandSet& commands_;
    FirmwareImage& image_;
    const UpgradeSettings settings_;
    const int port_;
    HexLoadReport fileReport_;
    RunResult result_;
};

}  // namespace kq
