// The result pictures of the upgrade window and the flashwright icon, drawn
// in code: a green tick (64 x 61), a red cross (64 x 60), a blank square (20 x 20).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kq {

// The picture for a showStatusPicture code: 0 tick, 1 cross, anything else blank.
QPixmap statusPixmap(int which);

// The flashwright icon at size x size pixels, and in the usual sizes.
QPixmap flashwrightIconPixmap(int size);
QIcon flashwrightIcon();

}  // namespace kq
