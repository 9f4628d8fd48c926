// flashwright.exe: upgrades the program of a module over a serial line.
#include <windows.h>

#include "upgrade_window/upgrade_window_services.h"
#include "win32/upgrade_dialog.h"
#include "win32/win32_dialog_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!kq::registerControlClasses()) return 1;
    // Beside the program, or in the user's folders when installed under Program Files.
    kq::runUpgradeDialog(kq::UpgradeWindowServices::standard(), kq::programTitle());
    return 0;
}
