#include "upgrade_window/upgrade_window_services.h"


namespace kq {

UpgradeWindowServices UpgradeWindowServices::standard() {
    UpgradeWindowServices services;
    services.now = [] { return std::time(nullptr); };
    services.folders = programFolders("flashwright");
    return services;
}

}  // namespace kq
