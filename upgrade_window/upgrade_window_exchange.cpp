// Data exchange of the flashwright window: its values into the controls and
// back, in the order of the dialog's exchange table.
#include <algorithm>
#include <string>

#include "image/chip_family.h"
#include "upgrade_window/entry_text.h"
#include "upgrade_window/upgrade_controls.h"
#include "upgrade_window/upgrade_window.h"

namespace kq {

using namespace upgrade_ids;

namespace {

// Selects the item of a fixed list; an index outside it selects none.
void showChoice(DialogView& view, int id, int index, std::size_t count) {
    view.selectItem(id, index >= 0 && static_cast<std::size_t>(index) < count ? index : -1);
}

}  // namespace

bool UpgradeWindow::readValues() {
    UpgradeSettings& s = values_.settings;
    s.hexPath = view_.text(HexPathEdit);
    values_.hexFileTimeText = view_.text(HexTimeLabel);
    std::string address = view_.text(AddressEdit);
    if (editLength(address) > ModuleAddressMaxChars) {
        refuseEntry(AddressEdit, "请输入不超过 " + std::to_string(ModuleAddressMaxChars) + " 个字符。");
        return false;
    }
    s.moduleAddress = std::move(address);
    s.frameDataLength = view_.selectedItem(FrameBox);
    s.baudRate = view_.selectedItem(BaudBox);
    s.parity = view_.selectedItem(ParityBox);
    s.userOffsetHex = view_.text(UserOffsetEdit);
    s.upgradeOffsetHex = view_.text(UpgradeOffsetEdit);
    const auto area = wholeNumber(view_.text(AreaEdit));
    if (!area) {
        refuseEntry(AreaEdit, "请输入一个整数。");
        return false;
    }
    s.upgradeAreaKiB = *area;
    s.chipFamily = view_.selectedItem(ChipBox);
    s.bootloadType = view_.selectedItem(BootloadBox);
    return true;
}

void UpgradeWindow::refuseEntry(int id, std::string_view text) {
    view_.showMessage(text, MessageIcon::Warning);
    view_.focusControl(id);
}

void UpgradeWindow::writeValues() {
    const UpgradeSettings& s = values_.settings;
    view_.setText(HexPathEdit, s.hexPath);
    view_.setText(HexTimeLabel, values_.hexFileTimeText);
    // The limit holds what the user types; a longer remembered address stays
    // whole, so that reading refuses it instead of cutting it short.
    view_.setTextLimit(AddressEdit, std::max(ModuleAddressMaxChars, editLength(s.moduleAddress)));
    view_.setText(AddressEdit, s.moduleAddress);
    showChoice(view_, FrameBox, s.frameDataLength, FrameDataLengths.size());
    showChoice(view_, BaudBox, s.baudRate, BaudRates.size());
    showChoice(view_, ParityBox, s.parity, ParityChoices.size());
    view_.setText(UserOffsetEdit, s.userOffsetHex);
    view_.setText(UpgradeOffsetEdit, s.upgradeOffsetHex);
    view_.setText(AreaEdit, std::to_string(s.upgradeAreaKiB));
    showChoice(view_, ChipBox, s.chipFamily, ChipFamilyChoices.size());
    showChoice(view_, BootloadBox, s.bootloadType, BootloadTypeChoices.size());
}

}  // namespace kq
