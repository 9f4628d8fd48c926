#include "qt/dialog_controls.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace kq {

QLabel* addText(QWidget* parent, const QString& text, QRect place) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

QPushButton* addButton(QWidget* parent, const QString& caption, const char* name, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    return button;
}

QString askForHexFile(QWidget* parent) {
    // The filter text is shown as written and matches *.hex.
    return QFileDialog::getOpenFileName(parent, QStringLiteral("打开"), QDir::currentPath(),
                                        QStringLiteral("All Files(*.hex)"));
}

void showOkBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace kq
