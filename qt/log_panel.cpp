#include "qt/log_panel.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace kq {

LogPanel::LogPanel(QWidget* parent) : QTextEdit(parent) {
    // The log shows what the run and the window wrote, and is saved as such:
    // typed text would land in the saved log. Read-only, it also lets Tab
    // move the focus on instead of inserting a tab.
    setReadOnly(true);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);  // appended text is not an edit the user could undo
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    defaultFormat_.setForeground(QColor(0, 0, 0));
    setCurrentCharFormat(defaultFormat_);
}

int LogPanel::textLength() const { return document()->characterCount() - 1; }

QString LogPanel::savedText() const {
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void LogPanel::appendInColour(std::string_view text, const QColor& colour, bool restoreDefaultFormat) {
    // The document keeps one paragraph per line: CR LF (or a lone LF) ends one.
    QString lines = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));

    QTextCharFormat format;  // no bold, italic or underline; the panel's own face and size
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setForeground(colour);

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(lines, format);
    setTextCursor(cursor);
    setCurrentCharFormat(restoreDefaultFormat ? defaultFormat_ : format);
    scrollToBottomLater();
}

void LogPanel::scrollToBottomLater() {
    // Queued: it takes effect when events are next processed, which the run
    // does between its steps.
    QMetaObject::invokeMethod(
        this, [this] { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }, Qt::QueuedConnection);
}

}  // namespace kq
