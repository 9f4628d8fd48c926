// Converts the window layout, given in dialog units of a 10-point font, to
// pixels: one horizontal unit is a quarter of the average character width,
// one vertical unit an eighth of the character height, both about 1.75 px.
#pragma once

#include <QRect>

#include <cmath>

namespace kq {

inline constexpr double DialogUnitPixels = 1.75;  // pixels per dialog unit, both directions

inline int dluToPixels(int units) { return static_cast<int>(std::lround(units * DialogUnitPixels)); }

inline QRect dluRect(int x, int y, int width, int height) {
    return {dluToPixels(x), dluToPixels(y), dluToPixels(width), dluToPixels(height)};
}

}  // namespace kq
