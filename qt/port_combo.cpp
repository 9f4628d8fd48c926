#include "qt/port_combo.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace kq {

PortCombo::PortCombo(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void PortCombo::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

void PortCombo::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = portNameOfItem(option.currentText);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

QString portNameOfItem(const QString& itemText) {
    const auto device = itemText.indexOf(QStringLiteral(" ("));
    return device > 0 ? itemText.left(device) : itemText;
}

}  // namespace kq
