// The flashwright window in Qt: its controls at their dialog-unit places,
// registered by their resource ids, and the window logic (UpgradeWindow)
// that decides everything they show and do.
#pragma once

#include "qt/qt_dialog_view.h"
#include "upgrade_window/upgrade_window.h"

namespace kq {

class DialogUnits;

class UpgradeDialog : public QtDialogView {
    Q_OBJECT
public:
    explicit UpgradeDialog(UpgradeWindowServices services = UpgradeWindowServices::standard(),
                           QtModalBoxes boxes = QtModalBoxes::standard(programTitle()), QWidget* parent = nullptr);

    ~UpgradeDialog() override { stopListening(); }

    UpgradeWindow& logic() { return logic_; }

private:
    void buildControls();
    void placeLogControls(const DialogUnits& dlu);
    void placeSerialGroup(const DialogUnits& dlu);
    void placeParameterGroup(const DialogUnits& dlu);
    void placeOperationGroup(const DialogUnits& dlu);

    UpgradeWindow logic_;
};

}  // namespace kq
