// The hexsplice application icon, drawn in code, and the canvas both
// programs draw their icons on.
#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace kq {

// A transparent size x size canvas whose painter draws on a 32 x 32 grid,
// antialiased: draw(painter) paints the picture.
template <typename Draw>
QPixmap drawnIcon(int size, Draw draw) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    draw(painter);
    return pixmap;
}

// An icon holding picture(size) in the usual sizes, for windows and the task bar.
QIcon iconInUsualSizes(QPixmap (*picture)(int size));

// The icon at size x size pixels.
QPixmap hexspliceIconPixmap(int size);
// The icon in the usual sizes, for windows and the task bar.
QIcon hexspliceIcon();

}  // namespace kq
