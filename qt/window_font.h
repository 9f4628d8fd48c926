// The font of the hexsplice windows: 宋体 at 10 points where it is installed,
// otherwise the system's fallback for Chinese text at the same size.
#pragma once

#include <QFont>
#include <QStringList>

namespace kq {

inline constexpr int WindowFontPoints = 10;  // points

inline QFont windowFont(QFont base) {
    base.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun")});
    base.setPointSize(WindowFontPoints);
    return base;
}

}  // namespace kq
