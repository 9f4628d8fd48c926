#include "qt/upgrade_dialog.h"

namespace kq {

UpgradeDialog::UpgradeDialog(UpgradeWindowServices services, QtModalBoxes boxes, QWidget* parent)
    : QtDialogView(std::move(boxes), parent), logic_(*this, std::move(services)) {
    buildControls();
    logic_.start();
    listenTo(logic_);
}

}  // namespace kq
