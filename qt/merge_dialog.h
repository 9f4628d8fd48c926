// The hexsplice window in Qt: its controls at their dialog-unit places,
// registered by their resource ids, the window logic (MergeWindow) that
// decides what they show and do, and the About box in the context menu.
#pragma once

#include <string>

#include "merge_window/merge_window.h"
#include "qt/qt_dialog_view.h"

namespace kq {

class MergeDialog : public QtDialogView {
    Q_OBJECT
public:
    // folders.remembered holds PathMemory, folders.output receives the merged file.
    explicit MergeDialog(ProgramFolders folders = standardFolders(),
                         QtModalBoxes boxes = QtModalBoxes::standard(QStringLiteral("hexsplice")),
                         QWidget* parent = nullptr);

    ~MergeDialog() override { stopListening(); }

    MergeWindow& logic() { return logic_; }
    void showAbout();

    // hexsplice's folders (see platform/tool_folder.h).
    static ProgramFolders standardFolders();

private:
    void buildControls();

    MergeWindow logic_;
};

}  // namespace kq
