// The controls of the upgrade window, at their dialog-unit places, each
// registered under its resource id. Their lists and texts come from the logic.
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "qt/dialog_controls.h"
#include "qt/dialog_units.h"
#include "qt/log_panel.h"
#include "qt/path_edit.h"
#include "qt/port_combo.h"
#include "qt/status_pictures.h"
#include "qt/upgrade_dialog.h"
#include "qt/window_font.h"
#include "upgrade_window/upgrade_controls.h"

namespace kq {

using namespace upgrade_ids;

namespace {

// The height of a closed drop-down box. The layout's height of such a box
// includes its opened list, which Qt sizes by its items instead.
constexpr int ClosedListUnits = 14;  // vertical dialog units

// A drop-down list; its label names it for screen readers.
QComboBox* addList(QWidget* parent, const char* name, QRect place, const DialogUnits& dlu) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setGeometry(place.x(), place.y(), place.width(), dlu.vertical(ClosedListUnits));
    return combo;
}

QLineEdit* addEdit(QWidget* parent, const char* name, QRect place) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(place);
    return edit;
}

// A label that names the box beside it (a buddy, read out with the box).
QLabel* addCaption(QWidget* parent, const QString& text, QRect place, QWidget* box) {
    QLabel* label = addText(parent, text, place);
    label->setWordWrap(false);
    label->setBuddy(box);
    box->setAccessibleName(text.trimmed());
    return label;
}

}  // namespace

void UpgradeDialog::buildControls() {
    setWindowTitle(QStringLiteral("bootload 软件 V 1.1"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(flashwrightIcon());
    setFont(windowFont(UpgradeWindowPoints));
    const DialogUnits dlu = DialogUnits::ofFont(font());
    setFixedSize(dlu.size(513, 365));

    placeLogControls(dlu);
    placeSerialGroup(dlu);
    placeParameterGroup(dlu);
    placeOperationGroup(dlu);
    // No button is a default button: Enter is the view's (see QtDialogView).
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

void UpgradeDialog::placeLogControls(const DialogUnits& dlu) {
    auto* log = new LogPanel(this);
    log->setObjectName(QStringLiteral("logPanel"));
    log->setAccessibleName(QStringLiteral("日志"));
    log->setGeometry(dlu.rect(7, 7, 216, 305));
    addControl(LogBox, log);
    addControl(SaveLogButton, addButton(this, QStringLiteral("日志保存"), "saveLogButton", dlu.rect(16, 327, 68, 25)));
    addControl(ClearLogButton,
               addButton(this, QStringLiteral("日志清空"), "clearLogButton", dlu.rect(130, 327, 68, 25)));
}

void UpgradeDialog::placeSerialGroup(const DialogUnits& dlu) {
    auto* group = new QGroupBox(QStringLiteral("串口设置"), this);
    group->setGeometry(dlu.rect(234, 7, 272, 43));

    auto* ports = new PortCombo(this);
    ports->setObjectName(QStringLiteral("portCombo"));
    ports->setGeometry(dlu.rect(270, 24, 46, ClosedListUnits));
    // The item texts carry the device path: let the open list be as wide as they need.
    ports->view()->setMinimumWidth(dlu.horizontal(120));
    addCaption(this, QStringLiteral("串口"), dlu.rect(245, 25, 17, 8), ports);
    addControl(PortBox, ports);

    QComboBox* baud = addList(this, "baudCombo", dlu.rect(355, 24, 45, 84), dlu);
    addCaption(this, QStringLiteral("波特率"), dlu.rect(325, 25, 25, 8), baud);
    addControl(BaudBox, baud);

    QComboBox* parity = addList(this, "parityCombo", dlu.rect(436, 24, 45, 66), dlu);
    addCaption(this, QStringLiteral("校验"), dlu.rect(409, 25, 17, 8), parity);
    addControl(ParityBox, parity);
}

void UpgradeDialog::placeParameterGroup(const DialogUnits& dlu) {
    auto* group = new QGroupBox(QStringLiteral("参数选择配置"), this);
    group->setGeometry(dlu.rect(234, 58, 272, 207));

    QComboBox* chip = addList(this, "chipCombo", dlu.rect(247, 71, 85, 57), dlu);
    addCaption(this, QStringLiteral("芯片类型"), dlu.rect(345, 75, 33, 8), chip);
    addControl(ChipBox, chip);
    addControl(SaveConfigButton,
               addButton(this, QStringLiteral("保存配置"), "saveConfigButton", dlu.rect(424, 71, 66, 23)));

    QComboBox* bootload = addList(this, "bootloadCombo", dlu.rect(247, 93, 85, 76), dlu);
    addCaption(this, QStringLiteral("bootload类型"), dlu.rect(345, 97, 49, 8), bootload);
    addControl(BootloadBox, bootload);

    auto* hexPath = new PathEdit(this);
    hexPath->setObjectName(QStringLiteral("hexPathEdit"));
    hexPath->setAccessibleName(QStringLiteral("升级文件路径"));
    hexPath->setGeometry(dlu.rect(247, 118, 151, 44));
    addControl(HexPathEdit, hexPath);
    addControl(ChooseFileButton,
               addButton(this, QStringLiteral("选择hex文件"), "chooseFileButton", dlu.rect(424, 127, 66, 23)));

    QLabel* hexTime = addText(this, QStringLiteral("修改时间"), dlu.rect(247, 168, 156, 11));
    hexTime->setObjectName(QStringLiteral("hexTimeLabel"));
    hexTime->setAccessibleName(QStringLiteral("升级文件修改时间"));
    addControl(HexTimeLabel, hexTime);

    QLineEdit* userOffset = addEdit(this, "userOffsetEdit", dlu.rect(333, 184, 57, 14));
    addCaption(this, QStringLiteral("用户程序偏移地址 0x"), dlu.rect(247, 186, 77, 8), userOffset);
    addControl(UserOffsetEdit, userOffset);

    QLineEdit* upgradeOffset = addEdit(this, "upgradeOffsetEdit", dlu.rect(333, 203, 57, 14));
    addControl(UpgradeOffsetLabel,
               addCaption(this, QStringLiteral("升级程序偏移地址 0x"), dlu.rect(247, 204, 77, 8), upgradeOffset));
    addControl(UpgradeOffsetEdit, upgradeOffset);

    QLineEdit* area = addEdit(this, "areaEdit", dlu.rect(333, 219, 58, 14));
    addControl(AreaLabel, addCaption(this, QStringLiteral("升级程序空间大小 "), dlu.rect(247, 221, 69, 8), area));
    area->setAccessibleName(QStringLiteral("升级程序空间大小 (K)"));
    addControl(AreaEdit, area);
    addControl(KibLabel, addText(this, QStringLiteral("K"), dlu.rect(396, 221, 8, 8)));

    QLineEdit* address = addEdit(this, "moduleAddressEdit", dlu.rect(277, 241, 82, 14));
    addControl(AddressLabel, addCaption(this, QStringLiteral("地址"), dlu.rect(247, 243, 17, 8), address));
    addControl(AddressEdit, address);

    QComboBox* frame = addList(this, "frameCombo", dlu.rect(436, 239, 48, 78), dlu);
    addControl(FrameLabel, addCaption(this, QStringLiteral("每帧数据长度"), dlu.rect(374, 243, 57, 8), frame));
    addControl(FrameBox, frame);
}

void UpgradeDialog::placeOperationGroup(const DialogUnits& dlu) {
    auto* group = new QGroupBox(QStringLiteral("操作"), this);
    group->setGeometry(dlu.rect(234, 272, 272, 83));

    addControl(UpgradeButton, addButton(this, QStringLiteral("升级"), "upgradeButton", dlu.rect(266, 290, 63, 20)));
    addControl(StopButton, addButton(this, QStringLiteral("停止"), "stopButton", dlu.rect(266, 324, 63, 19)));

    QLabel* sector = addText(this, QString(), dlu.rect(359, 300, 70, 14));
    sector->setObjectName(QStringLiteral("sectorLabel"));
    sector->setAccessibleName(QStringLiteral("当前扇区"));
    addControl(SectorLabel, sector);

    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progressBar"));
    progress->setAccessibleName(QStringLiteral("升级进度"));
    progress->setGeometry(dlu.rect(345, 318, 84, 12));
    progress->setFormat(QStringLiteral("%v/%m"));
    progress->setAlignment(Qt::AlignCenter);
    addControl(ProgressBar, progress);

    auto* status = new QLabel(this);
    status->setObjectName(QStringLiteral("statusPicture"));
    status->setAccessibleName(QStringLiteral("升级结果"));
    status->setFrameShape(QFrame::Box);
    status->setAlignment(Qt::AlignCenter);
    status->setGeometry(dlu.rect(438, 293, 52, 45));
    addControl(upgrade_ids::StatusPicture, status);
}

}  // namespace kq
