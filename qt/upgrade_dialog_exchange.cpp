// Data exchange of the upgrade window: its values into the controls and back.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <climits>
#include <optional>

#include "qt/dialog_controls.h"
#include "qt/path_edit.h"
#include "qt/upgrade_dialog.h"

namespace kq {
namespace {

// A whole number as an integer box takes it: blanks around an optionally
// signed run of digits, within the int range.
std::optional<int> wholeNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype digits = 0;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c.isDigit() && c.unicode() < 128) ++digits;
        else if (!(i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-')))) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (!ok || value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

void showIndex(QComboBox* box, int index) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void showText(QLineEdit* edit, const std::string& value) {
    const QString text = fromUtf8(value);
    if (edit->text() != text) edit->setText(text);
}

}  // namespace

bool UpgradeDialog::readValues() {
    UpgradeSettings& s = values_.settings;
    s.hexPath = hexPathEdit_->toPlainText().toStdString();
    values_.hexFileTimeText = hexTimeLabel_->text().toStdString();
    const QString address = moduleAddressEdit_->text();
    if (address.size() > ModuleAddressMaxChars) {
        refuseEntry(moduleAddressEdit_, QStringLiteral("请输入不超过 %1 个字符。").arg(ModuleAddressMaxChars));
        return false;
    }
    s.moduleAddress = address.toStdString();
    s.frameDataLength = frameCombo_->currentIndex();
    s.baudRate = baudCombo_->currentIndex();
    s.parity = parityCombo_->currentIndex();
    s.userOffsetHex = userOffsetEdit_->text().toStdString();
    s.upgradeOffsetHex = upgradeOffsetEdit_->text().toStdString();
    const auto area = wholeNumber(areaEdit_->text());
    if (!area) {
        refuseEntry(areaEdit_, QStringLiteral("请输入一个整数。"));
        return false;
    }
    s.upgradeAreaKiB = *area;
    s.chipFamily = chipCombo_->currentIndex();
    s.bootloadType = bootloadCombo_->currentIndex();
    return true;
}

void UpgradeDialog::refuseEntry(QWidget* box, const QString& text) {
    if (services_.showMessage) services_.showMessage(this, text, QMessageBox::Warning);
    box->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->selectAll();
}

void UpgradeDialog::writeValues() {
    const UpgradeSettings& s = values_.settings;
    // Only text that differs is replaced, so a cursor in a box stays where it is.
    const QString path = fromUtf8(s.hexPath);
    if (hexPathEdit_->toPlainText() != path) hexPathEdit_->setPlainText(path);
    hexTimeLabel_->setText(fromUtf8(values_.hexFileTimeText));
    // The limit holds what the user types; a longer remembered address stays
    // whole, so that reading refuses it instead of cutting it short.
    const QString address = fromUtf8(s.moduleAddress);
    moduleAddressEdit_->setMaxLength(std::max<int>(ModuleAddressMaxChars, static_cast<int>(address.size())));
    if (moduleAddressEdit_->text() != address) moduleAddressEdit_->setText(address);
    showIndex(frameCombo_, s.frameDataLength);
    showIndex(baudCombo_, s.baudRate);
    showIndex(parityCombo_, s.parity);
    showText(userOffsetEdit_, s.userOffsetHex);
    showText(upgradeOffsetEdit_, s.upgradeOffsetHex);
    showText(areaEdit_, std::to_string(s.upgradeAreaKiB));
    showIndex(chipCombo_, s.chipFamily);
    showIndex(bootloadCombo_, s.bootloadType);
}

}  // namespace kq
