// A multi-line, wrapping edit for a file path. Return and Enter are left to
// the dialog (they press its default button), Tab moves the focus on.
#pragma once

#include <QPlainTextEdit>

namespace kq {

class PathEdit : public QPlainTextEdit {
public:
    explicit PathEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kq
