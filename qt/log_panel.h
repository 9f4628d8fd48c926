// The log box of the upgrade window: a read-only rich-text box that text is
// appended to in a colour (the user may select and copy it, not type into
// it). What is appended, in which colour and when the box is emptied is the
// window logic's to decide.
#pragma once

#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>

#include <string_view>

namespace kq {

class LogPanel : public QTextEdit {
    Q_OBJECT
public:
    explicit LogPanel(QWidget* parent = nullptr);

    // Adds text (UTF-8, its own CR LF line breaks) at the end in a colour,
    // not bold, italic or underlined, and scrolls to the end once events are
    // next handled. The insertion point keeps that format afterwards, or gets
    // the panel's default format back when restoreDefaultFormat is set.
    void appendInColour(std::string_view text, const QColor& colour, bool restoreDefaultFormat);

    // The whole text with CR LF line breaks, as it is saved.
    QString savedText() const;
    // Text length in characters, a line break counting as one.
    int textLength() const;

private:
    void scrollToBottomLater();

    QTextCharFormat defaultFormat_;
};

}  // namespace kq
