#include "win32/upgrade_dialog.h"

#include <windows.h>

#include "upgrade_window/upgrade_controls.h"
#include "upgrade_window/upgrade_window.h"
#include "win32/resource_ids.h"
#include "win32/win32_dialog_view.h"

namespace kq {

namespace {

constexpr int PortListUnits = 120;  // horizontal dialog units: the opened port list shows the device names

struct UpgradeDialog {
    UpgradeDialog(const std::wstring& title, UpgradeWindowServices services)
        : view(title), logic(view, std::move(services)) {}
    Win32DialogView view;
    UpgradeWindow logic;
};

// Forwards every message to the logic; lays out nothing (the template does).
INT_PTR CALLBACK upgradeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<UpgradeDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        window = reinterpret_cast<UpgradeDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        window->view.attach(dialog);
        setWindowIcons(dialog, upgrade_ids::ProgramIcon);
        RECT list{0, 0, PortListUnits, 0};
        MapDialogRect(dialog, &list);
        SendDlgItemMessageW(dialog, upgrade_ids::PortBox, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(list.right), 0);
        window->logic.start();
        return TRUE;  // the focus goes where the dialog manager puts it
    }
    default: return forwardWindowMessage(window != nullptr ? &window->logic : nullptr, message, wParam, lParam);
    }
}

}  // namespace

void runUpgradeDialog(UpgradeWindowServices services, const std::wstring& title) {
    UpgradeDialog window(title, std::move(services));
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KQ_UPGRADE_DIALOG), nullptr, upgradeDialogProc,
                    reinterpret_cast<LPARAM>(&window));
}

}  // namespace kq
