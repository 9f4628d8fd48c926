// The About box of hexsplice: icon, version text and an OK button.
#pragma once

#include <QDialog>

namespace kq {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace kq
