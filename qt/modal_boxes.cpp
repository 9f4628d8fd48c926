#include "qt/modal_boxes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "qt/dialog_controls.h"

namespace kq {

QString programTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("flashwright") : QFileInfo(path).completeBaseName();
}

QtModalBoxes QtModalBoxes::standard(const QString& programTitle) {
    QtModalBoxes boxes;
    boxes.showMessage = [programTitle](QWidget* parent, const QString& text, MessageIcon icon) {
        showOkBox(parent, icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                  programTitle, text);
    };
    boxes.askOkCancel = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
        return box.exec() == QMessageBox::Ok;
    };
    boxes.chooseHexFile = askForHexFile;
    return boxes;
}

}  // namespace kq
