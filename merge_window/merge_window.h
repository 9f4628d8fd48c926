// The hexsplice window's behaviour, without a toolkit: the chip type, the two
// HEX files with their modification times, and the merge. It remembers the
// two paths in PathMemory. It speaks to its window only through a DialogView,
// by the control ids of merge_controls.h, and takes the user's actions as
// WindowEvents. The About box is the view's own.
#pragma once

#include <string>

#include "dialog_view/dialog_view.h"
#include "platform/tool_folder.h"
#include "tool_files/path_memory.h"

namespace kq {

class MergeWindow final : public WindowEvents {
public:
    // folders.remembered holds PathMemory, folders.output receives the merged
    // file. Touches neither the view nor any file until start().
    MergeWindow(DialogView& view, ProgramFolders folders);

    // Once the view's controls exist: fills the chip list, reads PathMemory
    // and shows the fields.
    void start();

    // "合并" and Enter merge; the window stays open. Esc and the close box end it.
    void clicked(int id) override;
    void ok() override { merge(); }
    void cancel() override { view_.closeWindow(); }
    void closeRequested() override { view_.closeWindow(); }

    void chooseBootFile();
    void chooseUserFile();
    void merge();

    const PathMemory& fields() const { return fields_; }
    int chipIndex() const { return chipIndex_; }

private:
    // Data exchange: controls -> fields, fields -> controls.
    void takeControls();
    void showFields();
    void chooseFile(std::string& path, std::string& timeText);

    DialogView& view_;
    ProgramFolders folders_;
    PathMemory fields_;  // the two paths and their time lines
    int chipIndex_ = 0;  // 0 KQ581X; any other value, none selected included, KQ58XX
};

}  // namespace kq
