// The face of every control in the windows of both programs: one sans face
// that covers Chinese, so that captions, lists, edits and the log read alike.
// The first of the preferred faces that is installed; otherwise the system's
// sans fallback, which takes the Chinese glyphs from whatever face has them.
#pragma once

#include <QFont>
#include <QStringList>

namespace kq {

inline constexpr int UpgradeWindowPoints = 9;  // points: the flashwright window
inline constexpr int MergeWindowPoints = 10;   // points: the hexsplice window and its About box

inline QFont windowFont(int points) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(points);
    return font;
}

}  // namespace kq
