// The one Win32 view of both windows: a dialog made from a dialog template,
// whose controls it addresses by their resource ids. It carries out what the
// window logic asks (DialogView); a window's dialog procedure forwards the
// user's actions to the logic (forwardCommand) and lays out nothing itself.
//
// Controls by window class: Edit, Static (texts and pictures), Button,
// ComboBox and ComboBoxEx32 (drop-down lists), RICHEDIT50W (the log) and
// msctls_progress32. Texts cross the boundary as UTF-8.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "dialog_view/dialog_view.h"

namespace kq {

class Win32DialogView final : public DialogView {
public:
    // title: the title of the message boxes, the program's name.
    explicit Win32DialogView(std::wstring title) : title_(std::move(title)) {}
    ~Win32DialogView() override;
    Win32DialogView(const Win32DialogView&) = delete;
    Win32DialogView& operator=(const Win32DialogView&) = delete;

    // The dialog window, once it exists (WM_INITDIALOG).
    void attach(HWND dialog) { dialog_ = dialog; }
    HWND window() const { return dialog_; }

    std::string text(int id) const override;
    void setText(int id, std::string_view text) override;
    void setTextLimit(int id, int characters) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    int selectedItem(int id) const override;
    void selectItem(int id, int index) override;
    void setVisible(int id, bool visible) override;
    void focusControl(int id) override;
    int textLength(int id) const override;
    void appendText(int id, std::string_view text, TextColour colour, bool restoreDefaultFormat) override;
    void showPicture(int id, int pictureId) override;
    void setProgress(int id, int value, int maximum) override;
    void showMessage(std::string_view text, MessageIcon icon) override;
    bool askOkCancel(std::string_view title, std::string_view text) override;
    std::string chooseHexFile() override;
    void handlePendingEvents() override;
    void closeWindow() override;

private:
    HWND control(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_ = nullptr;
    std::wstring title_;
    std::map<int, HBITMAP> pictures_;  // loaded pictures by resource id
};

// What every dialog procedure does with the user's actions: WM_COMMAND goes to
// the logic as the event it stands for (BN_CLICKED, CBN_DROPDOWN,
// CBN_SELCHANGE, CBN_SELENDOK, IDOK for Enter, IDCANCEL for Esc), WM_CLOSE as
// closeRequested. A button whose id is IDOK (hexsplice's "合并") is the OK
// event as well as a click: the logic treats both alike. Returns whether the
// message was one of these (events is null before WM_INITDIALOG).
bool forwardWindowMessage(WindowEvents* events, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the dialog's big and small icons to the icon resource iconId.
void setWindowIcons(HWND dialog, int iconId);

// The program's name: its file name without the extension ("flashwright").
std::wstring programTitle();

// Makes the window classes of the controls known (common controls, the
// RichEdit library); once, before the first dialog. False when the RichEdit
// library is missing, after telling the user.
bool registerControlClasses();

}  // namespace kq
