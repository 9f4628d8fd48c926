// Drives a real Win32 dialog from a test as a user would, by control id: the
// dialog runs modally on a thread of its own (as in the program, with the
// dialog manager's own loop), and the test sends it the messages that the
// controls would send. Modal boxes over it (message boxes, the open-file
// dialog, the About box) are found and answered the same way.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace kq::test {

// A window of the dialog's thread other than the dialog itself.
struct ModalBox {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;  // a message box's text; empty for other boxes
};

class DialogDriver {
public:
    // show runs the modal dialog; it is called on a new thread, and the
    // driver waits until the dialog window is up.
    explicit DialogDriver(std::function<void()> show);
    // Closes the window if it is still open (answering the box of a window
    // that refuses during a run) and waits for its thread, ten seconds at most.
    ~DialogDriver();

    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    std::wstring text(int id) const;

    // A press of a push button; returns once its handler has.
    void click(int id) { command(id, BN_CLICKED, true); }
    // A press whose handler opens a modal box: returns at once.
    void clickLater(int id) { command(id, BN_CLICKED, false); }
    // Selects an item as the user does: the box changes, then tells the dialog.
    void pick(int id, int index);
    // Drops flashwright's port list down (which reads the ports) and picks
    // COMn; false when n is not listed.
    bool pickPort(int id, int n);
    void command(int id, int code, bool wait);
    // Keys typed while control id has the focus, as the keyboard sends them:
    // a press (which the dialog's loop turns into a character, or into a
    // move of the focus) and a release each, posted to the control. Returns
    // at once.
    void typeKeys(int id, std::wstring_view keys);
    // The window with the keyboard focus on the dialog's thread.
    HWND focus() const;

    // The next modal box over the dialog (waits up to ten seconds).
    ModalBox nextBox() const;
    // Presses a button of a box and waits until the box has gone.
    void answer(const ModalBox& box, int button) const;

    // Whether the dialog ended within the time.
    bool endsWithin(int ms);

private:
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> ended_{false};
    HWND window_ = nullptr;
};

// Text of a window.
std::wstring windowText(HWND window);

// Whether ready() holds within ms, looking every few milliseconds.
bool waitFor(const std::function<bool()>& ready, int ms);

// A Linux path as Wine shows it on drive Z:.
std::string onDriveZ(std::string unixPath);

std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace kq::test
