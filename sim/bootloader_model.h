// The module's behaviour: which program runs (the bootloader or the user
// program), the upgrade flag, and what each command does to the flash.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/backup_upgrade.h"
#include "sim/flash_model.h"
#include "sim/request_parser.h"

namespace kq::sim {

enum class ModuleMode { Boot, App };  // the bootloader runs / the user program runs

inline constexpr uint32_t SectorBytes = 512;       // what eraseSector erases
inline constexpr int CrcRequestBytes = 4;          // readFlashCrc request: range length

struct CommandOutcome {
    bool replies = false;              // a reply goes out
    bool error = false;                // ... with the error bit
    std::vector<uint8_t> payload;      // reply payload
    std::optional<uint16_t> crc;       // readFlashCrc: the CRC in the payload
};

class BootloaderModel {
public:
    // stayInBoot: a jump or the remote reset starts the bootloader again
    // instead of the user program, so that the module takes upgrade after upgrade.
    BootloaderModel(FlashModel& flash, ModuleMode mode, bool stayInBoot = false)
        : flash_(flash), backup_(flash), mode_(mode), stayInBoot_(stayInBoot) {}

    ModuleMode mode() const { return mode_; }
    bool upgradeFlag() const { return upgradeFlag_; }

    // Whether the program running now acts on this command at all. The
    // bootloader takes the whole flash-layout set; the user program only the
    // upgrade flag and reset. Both take the module-layout commands.
    bool listensTo(uint16_t code) const;

    // Carries out a request that the running program listens to.
    CommandOutcome execute(const Request& request);

    // Becomes a fresh module in the same place: its bootloader running, no
    // upgrade flag, nothing configured, the flash holding startFlash.
    void renew(const std::vector<uint8_t>& startFlash);
    const FlashModel& flash() const { return flash_; }

private:
    CommandOutcome eraseSector(uint32_t address);
    CommandOutcome writeSector(const Request& request);
    CommandOutcome readFlashCrc(const Request& request);
    void reset();
    void startUserProgram() { mode_ = stayInBoot_ ? ModuleMode::Boot : ModuleMode::App; }

    FlashModel& flash_;
    BackupUpgrade backup_;
    ModuleMode mode_;
    bool stayInBoot_;
    bool upgradeFlag_ = false;
};

}  // namespace kq::sim
