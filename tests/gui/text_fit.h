// One look over every text-bearing control of a window: does each caption,
// list item and text fit the inner box the style draws it in, and is every
// control set in the window's face, one with Chinese glyphs of its own?
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOption>
#include <QTextEdit>

#include <functional>
#include <utility>
#include <vector>

namespace kq::testing {

// What the closed box of a combo shows of an item (a combo may shorten it).
using ShownItemText = std::function<QString(const QComboBox&, const QString&)>;

inline QString nameOf(const QWidget& w) {
    return w.objectName().isEmpty() ? QString::fromLatin1(w.metaObject()->className()) : w.objectName();
}

// One line per text that does not fit and per control in another face.
inline QStringList textMisfits(const QWidget& window, const ShownItemText& shown) {
    QStringList problems;
    const QString face = QFontInfo(window.font()).family();
    if (!QFontDatabase::writingSystems(face).contains(QFontDatabase::SimplifiedChinese))
        problems << QStringLiteral("the face %1 has no Chinese glyphs").arg(face);
    auto checkFace = [&](const QWidget& w, const QFont& font) {
        if (QFontInfo(font).family() != face) problems << QStringLiteral("%1 is in another face").arg(nameOf(w));
    };
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        std::vector<std::pair<QString, QRect>> texts;  // each text and the box it is drawn in
        int flags = Qt::AlignLeft | Qt::AlignVCenter;
        if (auto* label = qobject_cast<const QLabel*>(w)) {
            texts = {{label->text(), label->contentsRect()}};
            flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        } else if (auto* button = qobject_cast<const QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            if (button->isDefault()) option.features |= QStyleOptionButton::DefaultButton;
            texts = {{button->text(), w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w)}};
        } else if (auto* combo = qobject_cast<const QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            // The style draws the shown item one pixel in from either side of its field.
            const QRect field = w->style()
                                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, w)
                                    .adjusted(1, 0, -1, 0);
            for (int i = 0; i < combo->count(); ++i) texts.emplace_back(shown(*combo, combo->itemText(i)), field);
            checkFace(*combo, combo->view()->font());
        } else if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, w);
            // QLineEdit keeps two pixels clear left and right of its text, one above and below.
            const QRect inner = w->style()->subElementRect(QStyle::SE_LineEditContents, &option, w);
            texts = {{edit->text(), inner.adjusted(2, 1, -2, -1)}};
        } else if (auto* group = qobject_cast<const QGroupBox*>(w)) {
            texts = {{group->title(), group->rect()}};
        } else if (auto* bar = qobject_cast<const QProgressBar*>(w)) {
            texts = {{bar->text(), bar->rect()}};
        } else if (auto* edit = qobject_cast<const QPlainTextEdit*>(w)) {
            checkFace(*w, edit->document()->defaultFont());
        } else if (auto* edit = qobject_cast<const QTextEdit*>(w)) {
            checkFace(*w, edit->document()->defaultFont());
        } else {
            continue;
        }
        checkFace(*w, w->font());
        for (const auto& [text, box] : texts) {
            if (text.isEmpty()) continue;
            const QRectF needed = QFontMetricsF(w->font()).boundingRect(QRectF(box), flags, text);
            if (needed.width() > box.width() || needed.height() > box.height())
                problems << QStringLiteral("%1: \"%2\" needs %3×%4 px, has %5×%6")
                                .arg(nameOf(*w), text)
                                .arg(needed.width(), 0, 'f', 1)
                                .arg(needed.height(), 0, 'f', 1)
                                .arg(box.width())
                                .arg(box.height());
        }
    }
    return problems;
}

}  // namespace kq::testing
