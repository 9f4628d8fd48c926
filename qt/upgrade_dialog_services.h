// What the upgrade window needs from its surroundings: message boxes, the
// file chooser, the clock and the tool folder. Tests replace every part.
#pragma once

#include <QMessageBox>
#include <QString>

#include <ctime>
#include <functional>
#include <string>

class QWidget;

namespace kq {

struct UpgradeDialogServices {
    // A modal message box titled with the program's name, one OK button.
    std::function<void(QWidget* parent, const QString& text, QMessageBox::Icon icon)> showMessage;
    // The clear-log question "是否要清空日志", titled "确认": true on OK.
    std::function<bool(QWidget* parent)> confirmClearLog;
    // The open-file dialog for an upgrade file: its full path, "" when cancelled.
    std::function<QString(QWidget* parent)> chooseHexFile;
    // The current time, for time stamps and saved-log names.
    std::function<std::time_t()> now;
    // Folder of the remembered files and saved logs, ending with a separator.
    std::string toolFolder;

    // The real ones: Qt boxes, the system clock and the executable's folder.
    static UpgradeDialogServices standard();
};

// The program's name as message boxes show it: the executable's file name.
QString programTitle();

}  // namespace kq
