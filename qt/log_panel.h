// The log of the upgrade window: rich text the run appends to, plain (black)
// or in one of four colours. The user may type into it too. It is never
// trimmed line by line: past textLimit characters it is emptied as a whole
// before the next text is added.
#pragma once

#include <QColor>
#include <QTextCharFormat>
#include <QTextEdit>

#include <string_view>

namespace kq {

inline constexpr int LogTextLimit = 0x1E00000;  // characters (30 * 1,048,576)

// Colour of a log colour code: only its low 8 bits count; 0 blue, 1 red,
// 2 green, 3 yellow, anything else black.
QColor logColour(int code);

class LogPanel : public QTextEdit {
    Q_OBJECT
public:
    explicit LogPanel(QWidget* parent = nullptr, int textLimit = LogTextLimit);

    // Adds text (UTF-8, its own CR LF line breaks) in black at the end. The
    // insertion point keeps the black format afterwards.
    void appendPlain(std::string_view text);
    // Adds text in the colour of code at the end; afterwards the insertion
    // point has the panel's default format again, so that text typed later
    // does not take the colour.
    void appendColoured(std::string_view text, int code);

    // The whole text with CR LF line breaks, as it is saved.
    QString savedText() const;
    // Text length in characters, a line break counting as one.
    int textLength() const;

private:
    void appendInColour(std::string_view text, const QColor& colour);
    void scrollToBottomLater();

    const int textLimit_;
    QTextCharFormat defaultFormat_;
};

}  // namespace kq
