// The controls of the upgrade window, at their dialog-unit places.
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "qt/dialog_controls.h"
#include "qt/dialog_units.h"
#include "qt/path_edit.h"
#include "qt/window_font.h"
#include "qt/log_panel.h"
#include "qt/port_combo.h"
#include "qt/status_pictures.h"
#include "qt/upgrade_dialog.h"

namespace kq {
namespace {

// The height of a closed drop-down box. The layout's height of such a box
// includes its opened list, which Qt sizes by its items instead.
constexpr int ClosedListUnits = 14;  // vertical dialog units

// A drop-down list of fixed items; its label names it for screen readers.
QComboBox* addList(QWidget* parent, const char* name, const QStringList& items, QRect place,
                   const DialogUnits& dlu) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    combo->setMaxVisibleItems(items.size());
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
    // Enter is handled by the window itself (see keyPressEvent).
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
    connectHandlers();
}

void UpgradeDialog::placeLogControls(const DialogUnits& dlu) {
    log_ = new LogPanel(this);
    log_->setObjectName(QStringLiteral("logPanel"));
    log_->setAccessibleName(QStringLiteral("日志"));
    log_->setGeometry(dlu.rect(7, 7, 216, 305));
    saveLogButton_ = addButton(this, QStringLiteral("日志保存"), "saveLogButton", dlu.rect(16, 327, 68, 25));
    clearLogButton_ = addButton(this, QStringLiteral("日志清空"), "clearLogButton", dlu.rect(130, 327, 68, 25));
}

void UpgradeDialog::placeSerialGroup(const DialogUnits& dlu) {
    auto* group = new QGroupBox(QStringLiteral("串口设置"), this);
    group->setGeometry(dlu.rect(234, 7, 272, 43));

    portCombo_ = new PortCombo(this);
    portCombo_->setObjectName(QStringLiteral("portCombo"));
    portCombo_->setGeometry(dlu.rect(270, 24, 46, ClosedListUnits));
    // The item texts carry the device path: let the open list be as wide as they need.
    portCombo_->view()->setMinimumWidth(dlu.horizontal(120));
    addCaption(this, QStringLiteral("串口"), dlu.rect(245, 25, 17, 8), portCombo_);

    baudCombo_ = addList(this, "baudCombo",
                         {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                          QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600"),
                          QStringLiteral("115200")},
                         dlu.rect(355, 24, 45, 84), dlu);
    addCaption(this, QStringLiteral("波特率"), dlu.rect(325, 25, 25, 8), baudCombo_);

    parityCombo_ = addList(this, "parityCombo",
                           {QStringLiteral("无校验"), QStringLiteral("奇校验"), QStringLiteral("偶校验")},
                           dlu.rect(436, 24, 45, 66), dlu);
    addCaption(this, QStringLiteral("校验"), dlu.rect(409, 25, 17, 8), parityCombo_);
}

void UpgradeDialog::placeParameterGroup(const DialogUnits& dlu) {
    auto* group = new QGroupBox(QStringLiteral("参数选择配置"), this);
    group->setGeometry(dlu.rect(234, 58, 272, 207));

    chipCombo_ = addList(this, "chipCombo", {QStringLiteral("KQ581X(251内核)"), QStringLiteral("KQ58XX(ARM内核)")},
                         dlu.rect(247, 71, 85, 57), dlu);
    addCaption(this, QStringLiteral("芯片类型"), dlu.rect(345, 75, 33, 8), chipCombo_);
    saveConfigButton_ = addButton(this, QStringLiteral("保存配置"), "saveConfigButton", dlu.rect(424, 71, 66, 23));

    bootloadCombo_ = addList(this, "bootloadCombo",
                             {QStringLiteral("本地"), QStringLiteral("远程备份"), QStringLiteral("远程不备份")},
                             dlu.rect(247, 93, 85, 76), dlu);
    addCaption(this, QStringLiteral("bootload类型"), dlu.rect(345, 97, 49, 8), bootloadCombo_);

    hexPathEdit_ = new PathEdit(this);
    hexPathEdit_->setObjectName(QStringLiteral("hexPathEdit"));
    hexPathEdit_->setAccessibleName(QStringLiteral("升级文件路径"));
    hexPathEdit_->setGeometry(dlu.rect(247, 118, 151, 44));
    chooseFileButton_ = addButton(this, QStringLiteral("选择hex文件"), "chooseFileButton", dlu.rect(424, 127, 66, 23));

    hexTimeLabel_ = addText(this, QStringLiteral("修改时间"), dlu.rect(247, 168, 156, 11));
    hexTimeLabel_->setObjectName(QStringLiteral("hexTimeLabel"));
    hexTimeLabel_->setAccessibleName(QStringLiteral("升级文件修改时间"));

    userOffsetEdit_ = addEdit(this, "userOffsetEdit", dlu.rect(333, 184, 57, 14));
    addCaption(this, QStringLiteral("用户程序偏移地址 0x"), dlu.rect(247, 186, 77, 8), userOffsetEdit_);

    upgradeOffsetEdit_ = addEdit(this, "upgradeOffsetEdit", dlu.rect(333, 203, 57, 14));
    QLabel* upgradeOffsetLabel =
        addCaption(this, QStringLiteral("升级程序偏移地址 0x"), dlu.rect(247, 204, 77, 8), upgradeOffsetEdit_);

    areaEdit_ = addEdit(this, "areaEdit", dlu.rect(333, 219, 58, 14));
    QLabel* areaLabel = addCaption(this, QStringLiteral("升级程序空间大小 "), dlu.rect(247, 221, 69, 8), areaEdit_);
    areaEdit_->setAccessibleName(QStringLiteral("升级程序空间大小 (K)"));
    QLabel* kibLabel = addText(this, QStringLiteral("K"), dlu.rect(396, 221, 8, 8));

    moduleAddressEdit_ = addEdit(this, "moduleAddressEdit", dlu.rect(277, 241, 82, 14));
    QLabel* addressLabel = addCaption(this, QStringLiteral("地址"), dlu.rect(247, 243, 17, 8), moduleAddressEdit_);

    frameCombo_ = addList(this, "frameCombo",
                          {QStringLiteral("64"), QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512")},
                          dlu.rect(436, 239, 48, 78), dlu);
    QLabel* frameLabel = addCaption(this, QStringLiteral("每帧数据长度"), dlu.rect(374, 243, 57, 8), frameCombo_);

    backupControls_ = {upgradeOffsetLabel, upgradeOffsetEdit_, areaLabel, areaEdit_, kibLabel,
                       addressLabel,       moduleAddressEdit_, frameLabel, frameCombo_};
}

void UpgradeDialog::placeOperationGroup(const DialogUnits& dlu) {
    auto* group = new QGroupBox(QStringLiteral("操作"), this);
    group->setGeometry(dlu.rect(234, 272, 272, 83));

    upgradeButton_ = addButton(this, QStringLiteral("升级"), "upgradeButton", dlu.rect(266, 290, 63, 20));
    stopButton_ = addButton(this, QStringLiteral("停止"), "stopButton", dlu.rect(266, 324, 63, 19));

    sectorLabel_ = addText(this, QString(), dlu.rect(359, 300, 70, 14));
    sectorLabel_->setObjectName(QStringLiteral("sectorLabel"));
    sectorLabel_->setAccessibleName(QStringLiteral("当前扇区"));

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setAccessibleName(QStringLiteral("升级进度"));
    progress_->setGeometry(dlu.rect(345, 318, 84, 12));
    progress_->setFormat(QStringLiteral("%v/%m"));
    progress_->setAlignment(Qt::AlignCenter);
    progress_->reset();

    statusPicture_ = new QLabel(this);
    statusPicture_->setObjectName(QStringLiteral("statusPicture"));
    statusPicture_->setAccessibleName(QStringLiteral("升级结果"));
    statusPicture_->setFrameShape(QFrame::Box);
    statusPicture_->setAlignment(Qt::AlignCenter);
    statusPicture_->setGeometry(dlu.rect(438, 293, 52, 45));
    statusPicture_->setPixmap(statusPixmap(PictureBlank));
}

}  // namespace kq
