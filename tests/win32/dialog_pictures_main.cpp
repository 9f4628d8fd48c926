// win32-dialog-pictures: puts one of the Win32 windows into the state the
// README shows, for scripts/windows_screenshot.sh to photograph:
//   win32-dialog-pictures flashwright HEX PORT READY   one upgrade of HEX on COM PORT, ended
//   win32-dialog-pictures hexsplice BOOT USER READY    both files chosen
// Once the window is ready it writes its screen rectangle ("WxH+X+Y") to the
// file READY, then waits until that file is gone and closes the window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "support/fresh_folder.h"
#include "support/utf8_path.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_resources.h"
#include "tool_files/path_memory.h"
#include "unit/merge_test_files.h"
#include "upgrade_window/upgrade_controls.h"
#include "win32/merge_dialog.h"
#include "win32/upgrade_dialog.h"
#include "win32/win32_dialog_view.h"

using namespace kq;

namespace {

constexpr int RunLimitMs = 60000;  // for the upgrade to end

void upgradeOnce(test::DialogDriver& dialog, const std::string& hex, int port) {
    using namespace upgrade_ids;
    SetDlgItemTextW(dialog.window(), HexPathEdit, test::wide(hex).c_str());
    if (!dialog.pickPort(PortBox, port)) std::fprintf(stderr, "COM%d is not listed\n", port);
    dialog.clickLater(UpgradeButton);
    test::waitFor([&] { return test::windowText(dialog.control(LogBox)).ends_with(L"升级成功\r\n"); }, RunLimitMs);
    SendMessageW(dialog.window(), WM_NULL, 0, 0);  // the click's handler has returned
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: win32-dialog-pictures flashwright HEX PORT READY | hexsplice BOOT USER READY\n");
        return 2;
    }
    const std::string mode = argv[1];
    const std::string ready = argv[4];
    if (!registerControlClasses()) return 1;
    const std::string tool = test::utf8String(test::makeFreshFolder("kq-picture-")) + "\\";
    std::unique_ptr<test::DialogDriver> dialog;
    if (mode == "flashwright") {
        UpgradeWindowServices services = UpgradeWindowServices::standard();
        services.folders = ProgramFolders::oneFolder(tool);
        dialog = std::make_unique<test::DialogDriver>([&] { runUpgradeDialog(services, L"flashwright"); });
        upgradeOnce(*dialog, argv[2], std::atoi(argv[3]));
    } else {
        savePathMemory(tool, {argv[2], "", argv[3], ""});
        dialog = std::make_unique<test::DialogDriver>([&] { runMergeDialog(ProgramFolders::oneFolder(tool), L"hexsplice"); });
        setWindowIcons(dialog->window(), KQ_TEST_HEXSPLICE_ICON);  // hexsplice.exe's own icon
    }
    RECT place{};
    GetWindowRect(dialog->window(), &place);
    testing::writeBytes(ready, std::to_string(place.right - place.left) + "x" + std::to_string(place.bottom - place.top) +
                                   "+" + std::to_string(place.left) + "+" + std::to_string(place.top));
    while (GetFileAttributesW(test::wide(ready).c_str()) != INVALID_FILE_ATTRIBUTES) Sleep(50);
    return 0;
}
