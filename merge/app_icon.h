// The hexsplice application icon, drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kq {

// The icon at size x size pixels.
QPixmap hexspliceIconPixmap(int size);
// The icon in the usual sizes, for windows and the task bar.
QIcon hexspliceIcon();

}  // namespace kq
