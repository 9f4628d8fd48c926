#include "win32/merge_dialog.h"

#include <windows.h>

#include "merge_window/about_text.h"
#include "merge_window/merge_controls.h"
#include "merge_window/merge_window.h"
#include "platform/utf16_win32.h"
#include "win32/resource_ids.h"
#include "win32/win32_dialog_view.h"

namespace kq {

namespace {

constexpr UINT SystemCommandMask = 0xFFF0;  // the system uses a command's low four bits itself

struct MergeDialog {
    MergeDialog(const std::wstring& title, ProgramFolders folders) : view(title), logic(view, std::move(folders)) {}
    Win32DialogView view;
    MergeWindow logic;
};

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetDlgItemTextW(dialog, KQ_ABOUT_VERSION, utf8ToUtf16(aboutVersionText()).value_or(L"hexsplice").c_str());
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void addAboutItem(HWND dialog) {
    const HMENU menu = GetSystemMenu(dialog, FALSE);
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, merge_ids::AboutCommand, L"关于 hexsplice(&A)...");
}

// Forwards every message to the logic; the About box is the view's own.
INT_PTR CALLBACK mergeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<MergeDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        window = reinterpret_cast<MergeDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        window->view.attach(dialog);
        addAboutItem(dialog);
        setWindowIcons(dialog, merge_ids::ProgramIcon);
        window->logic.start();
        return TRUE;  // the focus goes to the first control, "合并"
    case WM_SYSCOMMAND:
        if ((wParam & SystemCommandMask) != merge_ids::AboutCommand) return FALSE;  // the system's own
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KQ_ABOUT_DIALOG), dialog, aboutDialogProc, 0);
        return TRUE;
    default: return forwardWindowMessage(window != nullptr ? &window->logic : nullptr, message, wParam, lParam);
    }
}

}  // namespace

void runMergeDialog(ProgramFolders folders, const std::wstring& title) {
    MergeDialog window(title, std::move(folders));
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KQ_MERGE_DIALOG), nullptr, mergeDialogProc,
                    reinterpret_cast<LPARAM>(&window));
}

}  // namespace kq
