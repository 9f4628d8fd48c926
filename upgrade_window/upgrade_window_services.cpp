#include "upgrade_window/upgrade_window_services.h"

#include "platform/exe_directory.h"

namespace kq {

UpgradeWindowServices UpgradeWindowServices::standard() {
    UpgradeWindowServices services;
    services.now = [] { return std::time(nullptr); };
    services.toolFolder = exeDirectory();
    return services;
}

}  // namespace kq
