// Small builders for controls placed at dialog-unit positions, shared by the
// windows of both programs.
#pragma once

#include <QRect>
#include <QString>

#include <string_view>

class QLabel;
class QPushButton;
class QWidget;

namespace kq {

// A static text at a place; wrapped, shown as plain text.
QLabel* addText(QWidget* parent, const QString& text, QRect place);

// A push button at a place. Where 宋体 is missing, the fallback font may be
// wider than the layout allows: the caption then gets a smaller size instead
// of being cut off.
QPushButton* addButton(QWidget* parent, const QString& caption, const char* name, QRect place);

// A UTF-8 text as a QString.
QString fromUtf8(std::string_view text);

}  // namespace kq
