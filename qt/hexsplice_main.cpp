// hexsplice: joins a bootloader HEX file and a user-program HEX file.
#include <QApplication>

#include "qt/app_icon.h"
#include "qt/merge_dialog.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hexsplice"));
    QApplication::setWindowIcon(kq::hexspliceIcon());
    kq::MergeDialog dialog;
    dialog.exec();
    return 0;
}
