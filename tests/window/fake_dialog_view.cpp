#include "window/fake_dialog_view.h"

namespace kq::test {

const FakeDialogView::Control& FakeDialogView::at(int id) const {
    static const Control none;
    const auto found = controls.find(id);
    return found == controls.end() ? none : found->second;
}

std::vector<std::string> FakeDialogView::messageTexts() const {
    std::vector<std::string> texts;
    for (const ShownMessage& message : messages) texts.push_back(message.text);
    return texts;
}

std::string FakeDialogView::text(int id) const { return at(id).text; }

void FakeDialogView::setText(int id, std::string_view text) {
    Control& control = controls[id];
    control.text = text;
    control.appended.clear();
}

void FakeDialogView::setItems(int id, const std::vector<std::string>& items) {
    controls[id].items = items;
    controls[id].selected = -1;
}

void FakeDialogView::selectItem(int id, int index) {
    Control& control = controls[id];
    control.selected = index >= 0 && index < static_cast<int>(control.items.size()) ? index : -1;
}

int FakeDialogView::textLength(int id) const {
    // Characters, a CR LF line break counting as one.
    int length = 0;
    const std::string& text = at(id).text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;                            // inside a character
        if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // counted at the LF
        ++length;
    }
    return length;
}

void FakeDialogView::appendText(int id, std::string_view text, TextColour colour, bool restoreDefaultFormat) {
    Control& control = controls[id];
    control.text += text;
    control.appended.push_back({std::string(text), colour, restoreDefaultFormat});
}

void FakeDialogView::setProgress(int id, int value, int maximum) {
    controls[id].progressValue = maximum == 0 ? 0 : value;
    controls[id].progressMaximum = maximum;
}

void FakeDialogView::showMessage(std::string_view text, MessageIcon icon) {
    messages.push_back({std::string(text), icon});
}

bool FakeDialogView::askOkCancel(std::string_view title, std::string_view text) {
    questions.push_back(std::string(title) + ": " + std::string(text));
    return answerOk;
}

std::string FakeDialogView::chooseHexFile() {
    ++fileDialogs;
    if (fileAnswers.empty()) return {};
    std::string answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    return answer;
}

void FakeDialogView::handlePendingEvents() {
    ++pendingEventCalls;
    if (onPendingEvents) onPendingEvents(pendingEventCalls);
}

}  // namespace kq::test
