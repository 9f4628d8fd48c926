// flashwright: upgrades the program of a module over a serial line.
#include <QApplication>

#include "qt/status_pictures.h"
#include "qt/upgrade_dialog.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("flashwright"));
    QApplication::setWindowIcon(kq::flashwrightIcon());
    kq::UpgradeDialog dialog;
    dialog.exec();
    return 0;
}
