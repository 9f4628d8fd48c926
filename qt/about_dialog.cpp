#include "qt/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "merge_window/about_text.h"
#include "qt/app_icon.h"
#include "qt/dialog_units.h"
#include "qt/window_font.h"

namespace kq {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 hexsplice"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(windowFont(MergeWindowPoints));
    const DialogUnits dlu = DialogUnits::ofFont(font());
    setFixedSize(dlu.size(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(hexspliceIconPixmap(32));
    icon->setGeometry(dlu.horizontal(11), dlu.vertical(17), 32, 32);
    icon->setAccessibleName(QStringLiteral("hexsplice"));

    auto* version = new QLabel(QString::fromStdString(aboutVersionText()), this);
    version->setObjectName(QStringLiteral("aboutText"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(dlu.rect(40, 10, 119, 8));

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("aboutOkButton"));
    ok->setGeometry(dlu.rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

}  // namespace kq
