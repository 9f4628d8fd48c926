#include "qt/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "platform/program_version.h"
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

    const QString versionText =
        QStringLiteral("hexsplice %1 版").arg(QString::fromUtf8(programVersion().data(), programVersion().size()));
    auto* version = new QLabel(versionText, this);
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
