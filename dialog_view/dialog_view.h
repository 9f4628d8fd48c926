// What the behaviour of a window needs from the toolkit that draws it. The
// window logic (upgrade_window/, merge_window/) decides everything and talks
// to its view only through this interface; a view (qt/, win32/) lays out
// controls, paints, and forwards events (WindowEvents below).
//
// Controls are addressed by their resource ids, so a Win32 dialog resource
// and a Qt window use the same numbers. Values are plain: UTF-8 texts, item
// indexes, colours. Every call happens on the window's thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

struct TextColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const TextColour&, const TextColour&) = default;
};

enum class MessageIcon { Information, Warning };

class DialogView {
public:
    virtual ~DialogView() = default;

    // ---- controls by id ----------------------------------------------------
    // Text of an edit box, a label, a button caption, or a rich-text box (whose
    // line breaks read as CR LF).
    virtual std::string text(int id) const = 0;
    // Replaces the text. An edit box that already holds it is left alone, so
    // that its cursor stays where the user put it.
    virtual void setText(int id, std::string_view text) = 0;
    // Most characters the user can type into an edit box.
    virtual void setTextLimit(int id, int characters) = 0;
    // Replaces the items of a drop-down list; no item is selected afterwards.
    virtual void setItems(int id, const std::vector<std::string>& items) = 0;
    // Index of the selected item; -1 when none is.
    virtual int selectedItem(int id) const = 0;
    // Selects an item (-1: none) without raising the list's change event.
    virtual void selectItem(int id, int index) = 0;
    virtual void setVisible(int id, bool visible) = 0;
    // Gives a control the focus and selects its text (after a refused entry).
    virtual void focusControl(int id) = 0;

    // ---- rich-text box -------------------------------------------------------
    // Characters in a rich-text box, a line break counting as one.
    virtual int textLength(int id) const = 0;
    // Appends text (CR LF line breaks) at the end in a colour, not bold,
    // italic or underlined, as an edit that cannot be undone, and asks the box
    // to scroll to its end once events are next handled. Afterwards the
    // insertion point keeps that format, or returns to the box's default
    // format when restoreDefaultFormat is set (so text added later starts
    // in the default).
    virtual void appendText(int id, std::string_view text, TextColour colour, bool restoreDefaultFormat) = 0;

    // ---- picture and progress -------------------------------------------------
    // Shows a picture resource (by its id) centred in a picture control.
    virtual void showPicture(int id, int pictureId) = 0;
    // A progress bar at value of maximum; a maximum of 0 empties it.
    virtual void setProgress(int id, int value, int maximum) = 0;

    // ---- modal boxes: each returns once the user has answered ----------------
    // One OK button, titled with the program's name.
    virtual void showMessage(std::string_view text, MessageIcon icon) = 0;
    // OK and Cancel under a title of its own; true for OK.
    virtual bool askOkCancel(std::string_view title, std::string_view text) = 0;
    // The open-file dialog for HEX files ("All Files(*.hex)", matching *.hex):
    // the chosen file's full path, "" when cancelled.
    virtual std::string chooseHexFile() = 0;

    // ---- the window -------------------------------------------------------------
    // Lets every pending window event run (handlers nested inside the caller
    // included), then returns; never waits for an event.
    virtual void handlePendingEvents() = 0;
    // Ends the window; the logic has already decided that it may close.
    virtual void closeWindow() = 0;
};

// What a view forwards to its window's logic, as the user acts. Every call
// happens on the window's thread, possibly nested inside a handler that is
// letting events through (handlePendingEvents).
class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    // A push button was pressed (by the mouse, the space bar, or Enter while
    // the button has the focus).
    virtual void clicked(int id) = 0;
    // The list of a drop-down box is about to open (CBN_DROPDOWN).
    virtual void droppingDown(int /*id*/) {}
    // The user changed the selected item of a drop-down box (CBN_SELCHANGE).
    virtual void selectionChanged(int /*id*/) {}
    // The user confirmed a choice in the opened list, the item already
    // selected included (CBN_SELENDOK).
    virtual void selectionConfirmed(int /*id*/) {}
    // Enter while the focus is on no push button (IDOK).
    virtual void ok() = 0;
    // Escape (IDCANCEL).
    virtual void cancel() = 0;
    // The close box, the system menu's Close or Alt+F4 (WM_CLOSE).
    virtual void closeRequested() = 0;
};

}  // namespace kq
