#include "qt/status_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "qt/app_icon.h"
#include "upgrade_window/upgrade_controls.h"

namespace kq {
namespace {

constexpr QSize TickSize(64, 61);   // pixels
constexpr QSize CrossSize(64, 60);  // pixels
constexpr QSize BlankSize(20, 20);  // pixels

QPixmap whitePixmap(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    return pixmap;
}

QPixmap tickPixmap() {
    QPixmap pixmap = whitePixmap(TickSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tick;
    tick.moveTo(8, 32);
    tick.lineTo(25, 50);
    tick.lineTo(57, 11);
    painter.setPen(QPen(QColor(0x1E, 0xA0, 0x3C), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return pixmap;
}

QPixmap crossPixmap() {
    QPixmap pixmap = whitePixmap(CrossSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xD8, 0x1E, 0x1E), 10, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(13, 10), QPointF(51, 50));
    painter.drawLine(QPointF(51, 10), QPointF(13, 50));
    return pixmap;
}

}  // namespace

QPixmap statusPixmap(int pictureId) {
    switch (pictureId) {
    case upgrade_ids::TickPicture: return tickPixmap();
    case upgrade_ids::CrossPicture: return crossPixmap();
    default: return whitePixmap(BlankSize);
    }
}

QString statusDescription(int pictureId) {
    switch (pictureId) {
    case upgrade_ids::TickPicture: return QStringLiteral("升级成功");
    case upgrade_ids::CrossPicture: return QStringLiteral("升级失败");
    default: return {};
    }
}

QPixmap flashwrightIconPixmap(int size) {
    return drawnIcon(size, [](QPainter& painter) {
        // A chip with pins on two sides and a lightning bolt on it: a program
        // being written into a module.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xB8, 0xC2, 0xCC));
        for (int pin = 0; pin < 4; ++pin) {
            painter.drawRect(QRectF(2, 7.5 + 5 * pin, 5, 2));
            painter.drawRect(QRectF(25, 7.5 + 5 * pin, 5, 2));
        }
        painter.setBrush(QColor(0x22, 0x2B, 0x38));
        painter.drawRoundedRect(QRectF(6, 3, 20, 26), 3, 3);

        QPainterPath bolt;
        bolt.moveTo(18.5, 6);
        bolt.lineTo(11, 17);
        bolt.lineTo(15.5, 17);
        bolt.lineTo(13.5, 26);
        bolt.lineTo(21, 14.5);
        bolt.lineTo(16.5, 14.5);
        bolt.closeSubpath();
        painter.setBrush(QColor(0xF5, 0xC2, 0x1B));
        painter.drawPath(bolt);
    });
}

QIcon flashwrightIcon() { return iconInUsualSizes(flashwrightIconPixmap); }

}  // namespace kq
