#include "upgrade/upgrade_settings.h"

namespace kq {

std::string decimalText(int n) { return std::to_string(n); }

void applyTypeDefaults(UpgradeSettings& settings) {
    const bool arm = !isKq581x(settings.chipFamily);
    switch (settings.bootloadType) {
    case LocalUpgrade:
    case RemoteWithoutBackup:
        settings.userOffsetHex = arm ? "4000" : "1000";
        break;
    case RemoteWithBackup:
        settings.userOffsetHex = arm ? "4000" : "1000";
        settings.upgradeOffsetHex = arm ? "11000" : "8000";
        settings.upgradeAreaKiB = arm ? 52 : 28;
        break;
    default:  // an unknown bootload type keeps everything
        break;
    }
}

}  // namespace kq
