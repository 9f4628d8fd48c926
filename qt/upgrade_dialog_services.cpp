#include "qt/upgrade_dialog_services.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPushButton>

#include "qt/dialog_controls.h"
#include "platform/exe_directory.h"

namespace kq {
QString programTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("flashwright") : QFileInfo(path).completeBaseName();
}

UpgradeDialogServices UpgradeDialogServices::standard() {
    UpgradeDialogServices services;
    services.showMessage = [](QWidget* parent, const QString& text, QMessageBox::Icon icon) {
        showOkBox(parent, icon, programTitle(), text);
    };
    services.confirmClearLog = [](QWidget* parent) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("确认"), QStringLiteral("是否要清空日志"),
                        QMessageBox::Ok | QMessageBox::Cancel, parent);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
        return box.exec() == QMessageBox::Ok;
    };
    services.chooseHexFile = askForHexFile;
    services.now = [] { return std::time(nullptr); };
    services.toolFolder = exeDirectory();
    return services;
}

}  // namespace kq
