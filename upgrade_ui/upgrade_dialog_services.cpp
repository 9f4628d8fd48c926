#include "upgrade_ui/upgrade_dialog_services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include "platform/exe_directory.h"

namespace kq {
namespace {

const QString HexFileFilter = QStringLiteral("All Files(*.hex)");  // shown as written, matches *.hex

}  // namespace

QString programTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("flashwright") : QFileInfo(path).completeBaseName();
}

UpgradeDialogServices UpgradeDialogServices::standard() {
    UpgradeDialogServices services;
    services.showMessage = [](QWidget* parent, const QString& text, QMessageBox::Icon icon) {
        QMessageBox box(icon, programTitle(), text, QMessageBox::Ok, parent);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    };
    services.confirmClearLog = [](QWidget* parent) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("确认"), QStringLiteral("是否要清空日志"),
                        QMessageBox::Ok | QMessageBox::Cancel, parent);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
        return box.exec() == QMessageBox::Ok;
    };
    services.chooseHexFile = [](QWidget* parent) {
        // Opens in the working directory of the moment, as the user expects from a shell.
        return QFileDialog::getOpenFileName(parent, QStringLiteral("打开"), QDir::currentPath(), HexFileFilter);
    };
    services.now = [] { return std::time(nullptr); };
    services.toolFolder = exeDirectory();
    return services;
}

}  // namespace kq
