// The result pictures of the upgrade window and the flashwright icon, drawn
// in code: a green tick (64 x 61), a red cross (64 x 60), a blank square (20 x 20).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace kq {

// The picture resource pictureId (upgrade_ids::Picture): the tick, the cross,
// or for any other id the blank square.
QPixmap statusPixmap(int pictureId);
// What a screen reader says of a picture: "升级成功", "升级失败", or nothing.
QString statusDescription(int pictureId);

// The flashwright icon at size x size pixels, and in the usual sizes.
QPixmap flashwrightIconPixmap(int size);
QIcon flashwrightIcon();

}  // namespace kq
