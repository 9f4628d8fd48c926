// Small builders for controls placed at dialog-unit positions, shared by the
// windows of both programs.
#pragma once

#include <QMessageBox>
#include <QRect>
#include <QString>

#include <string_view>

class QLabel;
class QPushButton;
class QWidget;

namespace kq {

// A static text at a place; wrapped, shown as plain text.
QLabel* addText(QWidget* parent, const QString& text, QRect place);

// A push button at a place.
QPushButton* addButton(QWidget* parent, const QString& caption, const char* name, QRect place);

// The open-file dialog for a HEX file, starting in the working directory of
// the moment (as the user expects from a shell): its full path, "" when cancelled.
QString askForHexFile(QWidget* parent);

// A modal message box with one button captioned "确定".
void showOkBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

// A UTF-8 text as a QString.
QString fromUtf8(std::string_view text);

}  // namespace kq
