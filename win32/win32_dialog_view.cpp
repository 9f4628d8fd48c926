#include "win32/win32_dialog_view.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string_view>

#include "platform/utf16_win32.h"

namespace kq {

namespace {

constexpr DWORD LongestPath = 32768;  // characters of a path the open-file dialog may return
constexpr UINT UnicodeCodePage = 1200;  // UTF-16LE, for the rich-text box's text calls

// The control kinds this view knows, by window class.
enum class Kind { Other, RichText, DropDown, ExtendedDropDown, Progress };

Kind kindOf(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    auto is = [&](const wchar_t* other) { return lstrcmpiW(name, other) == 0; };
    if (is(MSFTEDIT_CLASS) || is(RICHEDIT_CLASSW)) return Kind::RichText;
    if (is(WC_COMBOBOXW)) return Kind::DropDown;
    if (is(WC_COMBOBOXEXW)) return Kind::ExtendedDropDown;
    if (is(PROGRESS_CLASSW)) return Kind::Progress;
    return Kind::Other;
}

std::wstring wide(std::string_view utf8) { return utf8ToUtf16(utf8).value_or(std::wstring()); }

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The rich-text box's characters: each paragraph end one character, or two
// (CR LF) with crlf.
int richTextLength(HWND box, bool crlf) {
    GETTEXTLENGTHEX ask{};
    ask.flags = GTL_NUMCHARS | GTL_PRECISE | (crlf ? GTL_USECRLF : 0);
    ask.codepage = UnicodeCodePage;
    return static_cast<int>(SendMessageW(box, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&ask), 0));
}

std::wstring richText(HWND box) {
    std::wstring text(static_cast<size_t>(richTextLength(box, true)) + 1, L'\0');
    GETTEXTEX ask{};
    ask.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    ask.flags = GT_USECRLF;
    ask.codepage = UnicodeCodePage;
    const LRESULT got =
        SendMessageW(box, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&ask), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return text;
}

UINT iconStyle(MessageIcon icon) { return icon == MessageIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION; }

}  // namespace

Win32DialogView::~Win32DialogView() {
    // The window has gone by now, so no control shows these any more.
    for (const auto& [id, picture] : pictures_) DeleteObject(picture);
}

std::string Win32DialogView::text(int id) const {
    const HWND box = control(id);
    if (box == nullptr) return {};
    return utf16ToUtf8(kindOf(box) == Kind::RichText ? richText(box) : windowText(box));
}

void Win32DialogView::setText(int id, std::string_view utf8) {
    const HWND box = control(id);
    if (box == nullptr) return;
    const std::wstring text = wide(utf8);
    // Only text that differs is replaced: a cursor in an edit box stays where
    // it is, and a label that keeps its text does not flicker.
    if (kindOf(box) != Kind::RichText && windowText(box) == text) return;
    SetWindowTextW(box, text.c_str());
}

void Win32DialogView::setTextLimit(int id, int characters) {
    SendDlgItemMessageW(dialog_, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void Win32DialogView::setItems(int id, const std::vector<std::string>& items) {
    const HWND box = control(id);
    if (box == nullptr) return;
    const Kind kind = kindOf(box);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        std::wstring text = wide(item);
        if (kind == Kind::ExtendedDropDown) {
            // An extended box takes its items through its own message.
            COMBOBOXEXITEMW entry{};
            entry.mask = CBEIF_TEXT;
            entry.iItem = -1;  // at the end
            entry.pszText = text.data();
            SendMessageW(box, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
        } else {
            SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int Win32DialogView::selectedItem(int id) const {
    const LRESULT item = SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0);
    return item == CB_ERR ? -1 : static_cast<int>(item);
}

void Win32DialogView::selectItem(int id, int index) {
    // CB_SETCURSEL raises no change notification, as the logic expects.
    SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32DialogView::setVisible(int id, bool visible) {
    if (const HWND box = control(id)) ShowWindow(box, visible ? SW_SHOW : SW_HIDE);
}

void Win32DialogView::focusControl(int id) {
    const HWND box = control(id);
    if (box == nullptr) return;
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    SendMessageW(box, EM_SETSEL, 0, -1);
}

int Win32DialogView::textLength(int id) const {
    const HWND box = control(id);
    return box != nullptr && kindOf(box) == Kind::RichText ? richTextLength(box, false) : 0;
}

void Win32DialogView::appendText(int id, std::string_view utf8, TextColour colour, bool restoreDefaultFormat) {
    const HWND box = control(id);
    if (box == nullptr) return;
    CHARFORMATW saved{};
    saved.cbSize = sizeof saved;
    if (restoreDefaultFormat) SendMessageW(box, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&saved));

    // Not bold, italic or underlined, in the colour; face and size as the
    // box's own font (an empty face and a height of 0 leave them as they are).
    CHARFORMATW format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_FACE | CFM_SIZE;
    format.crTextColor = RGB(colour.red, colour.green, colour.blue);
    const WPARAM end = static_cast<WPARAM>(richTextLength(box, false));
    SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(box, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
    const std::wstring text = wide(utf8);
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));  // FALSE: not undoable
    // Posted, not sent: the box scrolls once events are next handled.
    PostMessageW(box, WM_VSCROLL, SB_BOTTOM, 0);
    if (restoreDefaultFormat) SendMessageW(box, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&saved));
}

void Win32DialogView::showPicture(int id, int pictureId) {
    const HWND box = control(id);
    if (box == nullptr) return;
    // Each picture is loaded once and kept until the view goes.
    HBITMAP& picture = pictures_[pictureId];
    if (picture == nullptr)
        picture = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(pictureId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    SendMessageW(box, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

void Win32DialogView::setProgress(int id, int value, int maximum) {
    const HWND bar = control(id);
    if (bar == nullptr) return;
    SendMessageW(bar, PBM_SETRANGE32, 0, maximum > 0 ? maximum : 1);
    SendMessageW(bar, PBM_SETPOS, maximum > 0 ? static_cast<WPARAM>(value) : 0, 0);
}

void Win32DialogView::showMessage(std::string_view text, MessageIcon icon) {
    MessageBoxW(dialog_, wide(text).c_str(), title_.c_str(), MB_OK | iconStyle(icon));
}

bool Win32DialogView::askOkCancel(std::string_view title, std::string_view text) {
    return MessageBoxW(dialog_, wide(text).c_str(), wide(title).c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

std::string Win32DialogView::chooseHexFile() {
    std::wstring file(LongestPath, L'\0');
    OPENFILENAMEW ask{};
    ask.lStructSize = sizeof ask;
    ask.hwndOwner = dialog_;
    ask.lpstrFilter = L"All Files(*.hex)\0*.hex\0";  // the literal's own NUL ends the list
    ask.lpstrFile = file.data();
    ask.nMaxFile = LongestPath;
    ask.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetOpenFileNameW(&ask)) return {};
    return utf16ToUtf8(file.c_str());
}

void Win32DialogView::handlePendingEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: leave it for the loop that waits for it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (IsDialogMessageW(dialog_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Win32DialogView::closeWindow() { EndDialog(dialog_, IDCANCEL); }

// ---- helpers of the dialog procedures --------------------------------------------------

namespace {

void forwardCommand(WindowEvents& events, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDOK) return events.ok();
    if (id == IDCANCEL) return events.cancel();
    if (lParam == 0) return;  // not from a control
    switch (code) {
    case BN_CLICKED: events.clicked(id); break;
    case CBN_DROPDOWN: events.droppingDown(id); break;
    case CBN_SELCHANGE: events.selectionChanged(id); break;
    case CBN_SELENDOK: events.selectionConfirmed(id); break;
    default: break;  // edit and other notifications: the logic reads the controls when it needs them
    }
}

}  // namespace

bool forwardWindowMessage(WindowEvents* events, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND && message != WM_CLOSE) return false;
    if (events == nullptr) return true;
    if (message == WM_CLOSE) events->closeRequested();
    else forwardCommand(*events, wParam, lParam);
    return true;
}

void setWindowIcons(HWND dialog, int iconId) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    auto icon = [&](int widthMetric, int heightMetric) {
        return reinterpret_cast<LPARAM>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                   GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                                   LR_DEFAULTCOLOR | LR_SHARED));
    };
    SendMessageW(dialog, WM_SETICON, ICON_BIG, icon(SM_CXICON, SM_CYICON));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON, SM_CYSMICON));
}

std::wstring programTitle() {
    std::wstring path(LongestPath, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), LongestPath));
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

bool registerControlClasses() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);
    // RICHEDIT50W, the log.
    if (LoadLibraryW(L"Msftedit.dll") != nullptr) return true;
    MessageBoxW(nullptr, L"Msftedit.dll 无法加载", programTitle().c_str(), MB_OK | MB_ICONERROR);
    return false;
}

}  // namespace kq
