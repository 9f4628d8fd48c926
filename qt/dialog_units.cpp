#include "qt/dialog_units.h"

#include <QFont>
#include <QFontMetrics>
#include <QtMath>

namespace kq {
namespace {

constexpr int UnitsPerCharWidth = 4;   // horizontal dialog units per average character width
constexpr int UnitsPerCharHeight = 8;  // vertical dialog units per character height

// units × base ÷ per, rounded to the nearest pixel, halves away from zero.
int scaled(int units, int base, int per) {
    const long long product = static_cast<long long>(units) * base * 2;
    const long long rounded = product >= 0 ? (product + per) / (2 * per) : -((-product + per) / (2 * per));
    return static_cast<int>(rounded);
}

}  // namespace

DialogUnits DialogUnits::ofFont(const QFont& font) {
    const QFontMetrics metrics(font);
    QString letters;
    for (char c = 'A'; c <= 'Z'; ++c) letters += QLatin1Char(c);
    for (char c = 'a'; c <= 'z'; ++c) letters += QLatin1Char(c);
    const int lettersWidth = metrics.horizontalAdvance(letters);
    // Rounded as the dialog manager rounds it: halve a twenty-sixth, plus one.
    const int charWidth = (lettersWidth / 26 + 1) / 2;
    // The whole pixels one line of text takes (ascent plus descent, rounded
    // up), so that a text eight units high always holds a line.
    const int charHeight = qCeil(QFontMetricsF(font).height());
    return {charWidth, charHeight};
}

int DialogUnits::horizontal(int units) const { return scaled(units, charWidth_, UnitsPerCharWidth); }

int DialogUnits::vertical(int units) const { return scaled(units, charHeight_, UnitsPerCharHeight); }

QRect DialogUnits::rect(int x, int y, int width, int height) const {
    return {horizontal(x), vertical(y), horizontal(width), vertical(height)};
}

QSize DialogUnits::size(int width, int height) const { return {horizontal(width), vertical(height)}; }

}  // namespace kq
