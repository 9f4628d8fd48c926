// The modal boxes of a window's view: message boxes, the OK / Cancel question
// and the open-file dialog. Tests and the screenshot programs replace them so
// that nothing modal blocks.
#pragma once

#include <QString>

#include <functional>

#include "dialog_view/dialog_view.h"

class QWidget;

namespace kq {

struct QtModalBoxes {
    // One OK button, titled with the program's name.
    std::function<void(QWidget* parent, const QString& text, MessageIcon icon)> showMessage;
    // OK and Cancel under a title of its own: true for OK.
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> askOkCancel;
    // The open-file dialog for a HEX file: its full path, "" when cancelled.
    std::function<QString(QWidget* parent)> chooseHexFile;

    // The real ones: Qt boxes whose messages carry programTitle as their title.
    static QtModalBoxes standard(const QString& programTitle);
};

// The program's name as flashwright's message boxes show it: the executable's
// file name without its extension.
QString programTitle();

}  // namespace kq
