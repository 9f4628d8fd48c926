// A DialogView without a toolkit: it keeps what the window logic shows in
// each control (by id), records the modal boxes and answers them from a
// script, and lets a test act as the user (type, pick) between the logic's
// calls. Rich-text boxes keep their appended pieces with their colours.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_view/dialog_view.h"

namespace kq::test {

// One append to a rich-text box.
struct AppendedText {
    std::string text;
    TextColour colour;
    bool restoredDefault = false;  // the insertion point went back to the default format
};

struct ShownMessage {
    std::string text;
    MessageIcon icon = MessageIcon::Information;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class FakeDialogView final : public DialogView {
public:
    struct Control {
        std::string text;
        int textLimit = -1;  // -1: never set
        std::vector<std::string> items;
        int selected = -1;
        bool visible = true;
        int focusCount = 0;
        std::vector<AppendedText> appended;  // since the box was last set as a whole
        int picture = -1;
        int progressValue = 0;
        int progressMaximum = 0;  // 0: empty
    };

    // ---- what the window shows ------------------------------------------------------
    std::map<int, Control> controls;
    const Control& at(int id) const;

    std::vector<ShownMessage> messages;
    // The texts of the messages, in order.
    std::vector<std::string> messageTexts() const;
    std::vector<std::string> questions;  // "title: text" of each OK / Cancel question
    bool closed = false;
    int fileDialogs = 0;

    // ---- the script ---------------------------------------------------------------------
    bool answerOk = true;                 // the answer to every OK / Cancel question
    std::deque<std::string> fileAnswers;  // the file dialog's answers in turn; none left: cancel
    // Runs at every handlePendingEvents with its 1-based number, as if the
    // user acted while a handler let events through.
    std::function<void(int call)> onPendingEvents;
    int pendingEventCalls = 0;

    // ---- the user ---------------------------------------------------------------------------
    void type(int id, std::string text) { controls[id].text = std::move(text); }
    void pick(int id, int index) { controls[id].selected = index; }

    // ---- DialogView ---------------------------------------------------------------------------
    std::string text(int id) const override;
    void setText(int id, std::string_view text) override;
    void setTextLimit(int id, int characters) override { controls[id].textLimit = characters; }
    void setItems(int id, const std::vector<std::string>& items) override;
    int selectedItem(int id) const override { return at(id).selected; }
    void selectItem(int id, int index) override;
    void setVisible(int id, bool visible) override { controls[id].visible = visible; }
    void focusControl(int id) override { ++controls[id].focusCount; }
    int textLength(int id) const override;
    void appendText(int id, std::string_view text, TextColour colour, bool restoreDefaultFormat) override;
    void showPicture(int id, int pictureId) override { controls[id].picture = pictureId; }
    void setProgress(int id, int value, int maximum) override;
    void showMessage(std::string_view text, MessageIcon icon) override;
    bool askOkCancel(std::string_view title, std::string_view text) override;
    std::string chooseHexFile() override;
    void handlePendingEvents() override;
    void closeWindow() override { closed = true; }
};

}  // namespace kq::test
