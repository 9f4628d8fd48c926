#include "tests/win32/dialog_driver.h"

#include <algorithm>

#include "platform/utf16_win32.h"

namespace kq::test {

namespace {

constexpr int PollMs = 10;            // between looks for a window
constexpr int WaitForWindowMs = 10000;  // for a dialog or box to appear
constexpr int MessageTextId = 0xFFFF;   // the text of a message box
constexpr int CloseTries = 10;          // closes asked for before the driver gives the window up
constexpr int CloseWaitMs = 1000;       // for the window to end after each
constexpr LPARAM KeyReleased = 0xC0000000;  // a key release's flags: previously down, now up

bool isDialogClass(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

// The first visible dialog-class window of the thread other than except.
HWND visibleDialog(DWORD thread, HWND except) {
    struct Search {
        HWND except;
        HWND found = nullptr;
    } search{except};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (window == s->except || !IsWindowVisible(window) || !isDialogClass(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool waitFor(const std::function<bool()>& ready, int ms) {
    // By the clock: a look may itself wait (a message sent to a window that
    // is busy in a run answers only at the run's next pump).
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(ms);
    while (GetTickCount64() < until) {
        if (ready()) return true;
        Sleep(PollMs);
    }
    return ready();
}

std::string onDriveZ(std::string unixPath) {
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "Z:" + unixPath;
}

std::wstring wide(std::string_view utf8) { return utf8ToUtf16(utf8).value_or(L"?"); }
std::string narrow(std::wstring_view utf16) { return utf16ToUtf8(utf16); }

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

DialogDriver::DialogDriver(std::function<void()> show) {
    thread_ = std::thread([this, show = std::move(show)] {
        threadId_ = GetCurrentThreadId();
        show();
        ended_ = true;
    });
    waitFor([this] { return threadId_ != 0 && (window_ = visibleDialog(threadId_, nullptr)) != nullptr; },
            WaitForWindowMs);
}

DialogDriver::~DialogDriver() {
    // A window whose run goes on (a test that failed before the run ended)
    // refuses to close with a message box: answer it and ask again.
    for (int tries = 0; window_ != nullptr && !ended_ && tries < CloseTries; ++tries) {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        if (endsWithin(CloseWaitMs)) break;
        if (const HWND box = visibleDialog(threadId_, window_)) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    if (!thread_.joinable()) return;
    if (ended_) thread_.join();
    else thread_.detach();  // a window that never ends goes with the test program
}

std::wstring DialogDriver::text(int id) const { return windowText(control(id)); }

void DialogDriver::command(int id, int code, bool wait) {
    const WPARAM what = MAKEWPARAM(id, code);
    const LPARAM from = reinterpret_cast<LPARAM>(control(id));
    if (wait) SendMessageW(window_, WM_COMMAND, what, from);
    else PostMessageW(window_, WM_COMMAND, what, from);
}

void DialogDriver::typeKeys(int id, std::wstring_view keys) {
    const HWND box = control(id);
    for (const wchar_t key : keys) {
        const UINT virtualKey = LOBYTE(VkKeyScanW(key));
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(box, WM_KEYDOWN, virtualKey, scan | 1);  // repeat count 1
        PostMessageW(box, WM_KEYUP, virtualKey, scan | 1 | KeyReleased);
    }
}

HWND DialogDriver::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

void DialogDriver::pick(int id, int index) {
    SendMessageW(control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    command(id, CBN_SELCHANGE, true);
    command(id, CBN_SELENDOK, true);
}

bool DialogDriver::pickPort(int id, int n) {
    command(id, CBN_DROPDOWN, true);
    // "COM 3" below 10, "COM12" above; the item may go on with a description.
    const std::wstring wanted = (n < 10 ? L"COM " : L"COM") + std::to_wstring(n);
    const HWND ports = control(id);
    for (int i = 0; i < SendMessageW(ports, CB_GETCOUNT, 0, 0); ++i) {
        std::wstring item(static_cast<size_t>(SendMessageW(ports, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(ports, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(wcslen(item.c_str()));
        if (item == wanted || item.rfind(wanted + L" ", 0) == 0) {
            pick(id, i);
            return true;
        }
    }
    return false;
}

ModalBox DialogDriver::nextBox() const {
    ModalBox box;
    waitFor([&] { return (box.window = visibleDialog(threadId_, window_)) != nullptr; }, WaitForWindowMs);
    if (box.window == nullptr) return box;
    box.title = windowText(box.window);
    if (const HWND text = GetDlgItem(box.window, MessageTextId)) box.text = windowText(text);
    return box;
}

void DialogDriver::answer(const ModalBox& box, int button) const {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    waitFor([&] { return !IsWindow(box.window); }, WaitForWindowMs);
    // Let the handler that showed the box finish before the test goes on.
    SendMessageW(window_, WM_NULL, 0, 0);
}

bool DialogDriver::endsWithin(int ms) {
    return waitFor([this] { return ended_.load(); }, ms);
}

}  // namespace kq::test
