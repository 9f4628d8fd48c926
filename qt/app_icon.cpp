#include "qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace kq {

QPixmap hexspliceIconPixmap(int size) {
    return drawnIcon(size, [](QPainter& painter) {
        // A dark tile holding two program blocks, the boot block above the user
        // block, joined by an arrow: two HEX files becoming one.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1F, 0x2D, 0x4D));
        painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);

        painter.setBrush(QColor(0x2E, 0xB3, 0xA6));
        painter.drawRoundedRect(QRectF(6, 5, 20, 8), 2, 2);
        painter.setBrush(QColor(0xF2, 0x9E, 0x38));
        painter.drawRoundedRect(QRectF(6, 19, 20, 8), 2, 2);

        QPainterPath arrow;
        arrow.moveTo(12, 14.5);
        arrow.lineTo(20, 14.5);
        arrow.lineTo(16, 18.5);
        arrow.closeSubpath();
        painter.setBrush(Qt::white);
        painter.drawPath(arrow);

        painter.setPen(QPen(QColor(255, 255, 255, 170), 1.2));
        for (int line = 0; line < 3; ++line) {
            painter.drawLine(QPointF(9, 7.5 + 1.6 * line), QPointF(23 - 3 * line, 7.5 + 1.6 * line));
            painter.drawLine(QPointF(9, 21.5 + 1.6 * line), QPointF(23 - 3 * line, 21.5 + 1.6 * line));
        }
    });
}

QIcon iconInUsualSizes(QPixmap (*picture)(int size)) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(picture(size));
    return icon;
}

QIcon hexspliceIcon() { return iconInUsualSizes(hexspliceIconPixmap); }

}  // namespace kq
