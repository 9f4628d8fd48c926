#include "qt/path_edit.h"

#include <QKeyEvent>

namespace kq {

PathEdit::PathEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void PathEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();  // passes on to the dialog
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace kq
