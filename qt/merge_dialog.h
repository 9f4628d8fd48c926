// The hexsplice window: chip type, the two HEX files with their modification
// times, and the merge button. It remembers the two paths in PathMemory.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "tool_files/path_memory.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kq {

class PathEdit;

// What the window needs from its surroundings; tests replace every part.
struct MergeDialogServices {
    // A modal message box: warning icon, title "hexsplice", one OK button.
    std::function<void(QWidget* parent, const QString& text)> showMessage;
    // The open-file dialog for a HEX file; the chosen full path, or "" when cancelled.
    std::function<QString(QWidget* parent)> chooseHexFile;
    // Folder of PathMemory and of the merged file, ending with a separator.
    std::string toolFolder;

    // The real ones: Qt boxes and the executable's folder.
    static MergeDialogServices standard();
};

class MergeDialog : public QDialog {
    Q_OBJECT
public:
    explicit MergeDialog(MergeDialogServices services = MergeDialogServices::standard(), QWidget* parent = nullptr);

    void chooseBootFile();
    void chooseUserFile();
    void merge();
    void showAbout();

private:
    void buildControls();
    // Data exchange: controls -> fields, fields -> controls.
    void takeControls();
    void showFields();
    void chooseFile(std::string& path, std::string& timeText);

    MergeDialogServices services_;
    PathMemory fields_;  // the two paths and their time lines
    int chipIndex_ = 0;  // 0 KQ581X; any other value, none selected included, KQ58XX

    QPushButton* mergeButton_ = nullptr;
    PathEdit* bootPathEdit_ = nullptr;
    QPushButton* chooseBootButton_ = nullptr;
    QLabel* bootTimeLabel_ = nullptr;
    PathEdit* userPathEdit_ = nullptr;
    QPushButton* chooseUserButton_ = nullptr;
    QLabel* userTimeLabel_ = nullptr;
    QComboBox* chipCombo_ = nullptr;
};

}  // namespace kq
