#include "merge_window/merge_window.h"

#include "formats/named_choice.h"
#include "image/chip_family.h"
#include "merge/merge_engine.h"
#include "merge_window/merge_controls.h"
#include "platform/file_time.h"

namespace kq {

using namespace merge_ids;

MergeWindow::MergeWindow(DialogView& view, ProgramFolders folders) : view_(view), folders_(std::move(folders)) {}

void MergeWindow::start() {
    view_.setItems(ChipBox, choiceItems(ChipFamilyChoices));
    loadPathMemory(folders_.remembered, fields_);
    showFields();
}

void MergeWindow::clicked(int id) {
    switch (id) {
    case MergeButton: merge(); break;
    case ChooseBootButton: chooseBootFile(); break;
    case ChooseUserButton: chooseUserFile(); break;
    default: break;
    }
}

void MergeWindow::takeControls() {
    fields_.bootPath = view_.text(BootPathEdit);
    fields_.bootTimeText = view_.text(BootTimeLabel);
    fields_.userPath = view_.text(UserPathEdit);
    fields_.userTimeText = view_.text(UserTimeLabel);
    chipIndex_ = view_.selectedItem(ChipBox);
}

void MergeWindow::showFields() {
    view_.setText(BootPathEdit, fields_.bootPath);
    view_.setText(UserPathEdit, fields_.userPath);
    view_.setText(BootTimeLabel, fields_.bootTimeText);
    view_.setText(UserTimeLabel, fields_.userTimeText);
    view_.selectItem(ChipBox, chipIndex_);
}

void MergeWindow::chooseFile(std::string& path, std::string& timeText) {
    takeControls();
    const std::string chosen = view_.chooseHexFile();
    if (!chosen.empty()) {
        path = chosen;
        if (auto time = modifiedTimeText(path)) timeText = std::move(*time);
    }
    savePathMemory(folders_.remembered, fields_);  // after a cancel too; a failure stays silent
    showFields();
}

void MergeWindow::chooseBootFile() { chooseFile(fields_.bootPath, fields_.bootTimeText); }

void MergeWindow::chooseUserFile() { chooseFile(fields_.userPath, fields_.userTimeText); }

void MergeWindow::merge() {
    takeControls();
    MergeHost host;
    host.showMessage = [this](std::string_view text) { view_.showMessage(text, MessageIcon::Warning); };
    host.outputFolder = folders_.output;
    mergeHexFiles(fields_.bootPath, fields_.userPath, isKq581x(chipIndex_) ? Kq581x : Kq58xx, host);
}

}  // namespace kq
