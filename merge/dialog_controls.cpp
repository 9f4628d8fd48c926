#include "merge/dialog_controls.h"

#include <QFontMetrics>
#include <QLabel>
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

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace kq
