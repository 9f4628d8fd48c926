#include "upgrade_ui/port_combo.h"

namespace kq {

PortCombo::PortCombo(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void PortCombo::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

QString portItemText(int port, const std::string& device) {
    QString text = port < 10 ? QStringLiteral("COM %1").arg(port) : QStringLiteral("COM%1").arg(port);
    if (!device.empty()) text += QStringLiteral(" (%1)").arg(QString::fromStdString(device));
    return text;
}

}  // namespace kq
