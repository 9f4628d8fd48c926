// Converts a window layout given in dialog units to pixels, as the Windows
// dialog manager does: one horizontal unit is a quarter of the dialog font's
// average character width, one vertical unit an eighth of its character
// height. A layout thus grows and shrinks with the font its texts are set in.
#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace kq {

class DialogUnits {
public:
    // Base units in pixels: the average character width and the character height.
    DialogUnits(int charWidth, int charHeight) : charWidth_(charWidth), charHeight_(charHeight) {}
    // The base units of a window's dialog font: the width of the 52 letters
    // "A".."Z", "a".."z" over 52, rounded; the height of one line of text
    // in whole pixels.
    static DialogUnits ofFont(const QFont& font);

    int charWidth() const { return charWidth_; }
    int charHeight() const { return charHeight_; }

    int horizontal(int units) const;
    int vertical(int units) const;
    // Each of the four values is converted on its own, so a control's size
    // does not depend on where it stands.
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int charWidth_;   // pixels
    int charHeight_;  // pixels
};

}  // namespace kq
