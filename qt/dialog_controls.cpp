#include "qt/dialog_controls.h"

#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace kq {

QLabel* addText(QWidget* parent, const QString& text, QRect place) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

QPushButton* addButton(QWidget* parent, const QString& caption, const char* name, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    constexpr int FramePixels = 12;       // pixels the button's frame and padding take from the caption
    constexpr double SmallestPoints = 7;  // points: below this a caption is unreadable
    QFont font = button->font();
    while (font.pointSizeF() > SmallestPoints &&
           QFontMetrics(font).horizontalAdvance(caption) > place.width() - FramePixels)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
    return button;
}

QString askForHexFile(QWidget* parent) {
    // The filter text is shown as written and matches *.hex.
    return QFileDialog::getOpenFileName(parent, QStringLiteral("打开"), QDir::currentPath(),
                                        QStringLiteral("All Files(*.hex)"));
}

void showOkBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace kq
