// The port box: a drop-down that announces each drop-down before its list
// opens, so the window can list the ports afresh. The box is narrow: closed,
// it shows the port's name alone; its list and its tool tip show the whole
// item text, device path included.
#pragma once

#include <QComboBox>

namespace kq {

class PortCombo : public QComboBox {
    Q_OBJECT
public:
    explicit PortCombo(QWidget* parent = nullptr);

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

signals:
    void aboutToDropDown();
};

// What the closed box shows of an item: "COM 3" of "COM 3 (/dev/ttyUSB0)".
QString portNameOfItem(const QString& itemText);

}  // namespace kq
