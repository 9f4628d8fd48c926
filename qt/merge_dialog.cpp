#include "qt/merge_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "merge_window/merge_controls.h"
#include "qt/about_dialog.h"
#include "qt/app_icon.h"
#include "qt/dialog_controls.h"
#include "qt/dialog_units.h"
#include "qt/path_edit.h"
#include "qt/window_font.h"

namespace kq {

using namespace merge_ids;

ProgramFolders MergeDialog::standardFolders() { return programFolders("hexsplice"); }

MergeDialog::MergeDialog(ProgramFolders folders, QtModalBoxes boxes, QWidget* parent)
    : QtDialogView(std::move(boxes), parent), logic_(*this, std::move(folders)) {
    buildControls();
    logic_.start();
    listenTo(logic_);
    control(MergeButton)->setFocus();
}

void MergeDialog::buildControls() {
    setWindowTitle(QStringLiteral("bootload hex hexsplice"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(hexspliceIcon());
    setFont(windowFont(MergeWindowPoints));
    const DialogUnits dlu = DialogUnits::ofFont(font());
    setFixedSize(dlu.size(491, 285));

    // The frame first, so that the texts it holds lie above it.
    auto* procedure = new QGroupBox(QStringLiteral("操作流程"), this);
    procedure->setObjectName(QStringLiteral("procedureGroup"));
    procedure->setGeometry(dlu.rect(287, 14, 188, 252));

    // Controls that take the focus, in tab order.
    QPushButton* mergeButton = addButton(this, QStringLiteral("合并"), "mergeButton", dlu.rect(103, 235, 60, 27));
    mergeButton->setDefault(true);
    addControl(MergeButton, mergeButton);

    auto* bootPath = new PathEdit(this);
    bootPath->setObjectName(QStringLiteral("bootPathEdit"));
    bootPath->setAccessibleName(QStringLiteral("bootload 引导文件路径"));
    bootPath->setGeometry(dlu.rect(13, 41, 161, 54));
    addControl(BootPathEdit, bootPath);

    QPushButton* chooseBoot =
        addButton(this, QStringLiteral("选择BOOTLOAD引导程序"), "chooseBootButton", dlu.rect(182, 56, 86, 23));
    addControl(ChooseBootButton, chooseBoot);

    QLabel* bootTime = addText(this, QString(), dlu.rect(21, 102, 204, 20));
    bootTime->setObjectName(QStringLiteral("bootTimeLabel"));
    bootTime->setAccessibleName(QStringLiteral("bootload 引导文件修改时间"));
    addControl(BootTimeLabel, bootTime);

    auto* userPath = new PathEdit(this);
    userPath->setObjectName(QStringLiteral("userPathEdit"));
    userPath->setAccessibleName(QStringLiteral("用户程序文件路径"));
    userPath->setGeometry(dlu.rect(13, 132, 161, 56));
    addControl(UserPathEdit, userPath);

    QPushButton* chooseUser =
        addButton(this, QStringLiteral("选择用户程序文件"), "chooseUserButton", dlu.rect(182, 147, 86, 23));
    addControl(ChooseUserButton, chooseUser);

    QLabel* userTime = addText(this, QString(), dlu.rect(21, 200, 204, 20));
    userTime->setObjectName(QStringLiteral("userTimeLabel"));
    userTime->setAccessibleName(QStringLiteral("用户程序文件修改时间"));
    addControl(UserTimeLabel, userTime);

    auto* chip = new QComboBox(this);
    chip->setObjectName(QStringLiteral("chipTypeCombo"));
    chip->setAccessibleName(QStringLiteral("芯片类型"));
    chip->setGeometry(dlu.rect(13, 13, 92, 14));
    addControl(ChipBox, chip);

    addText(this, QStringLiteral("2、点击“选择bootload引导文件”按钮， 选择bootload文件"), dlu.rect(296, 60, 174, 22));
    addText(this, QStringLiteral("3、点击“选择用户程序文件”按钮， 选择程序文件"), dlu.rect(296, 93, 163, 21));
    addText(this,
            QStringLiteral("4、点击“合并”按钮， 生成的合并文件将放在此工具的文件夹下，文件名为“KQ58XX_bootload_合并.hex”"),
            dlu.rect(296, 128, 165, 27));
    addText(this, QStringLiteral("5、软件自动对最近一次选择的文件进行记录，存入\"路径.txt\",放在工具文件夹下"),
            dlu.rect(296, 169, 163, 31));
    addText(this, QStringLiteral("注意注意: 合并只判hex文件是否有地址重合,不保证程序大小"), dlu.rect(298, 211, 163, 31));
    addText(this, QStringLiteral("1、选择芯片类型"), dlu.rect(295, 35, 174, 22));
    QLabel* comboLabel = addText(this, QStringLiteral("芯片类型"), dlu.rect(113, 17, 31, 8));
    comboLabel->setBuddy(chip);

    setTabOrder(mergeButton, bootPath);
    setTabOrder(bootPath, chooseBoot);
    setTabOrder(chooseBoot, userPath);
    setTabOrder(userPath, chooseUser);
    setTabOrder(chooseUser, chip);

    // X11 window managers own the system menu, so About lives in the context menu.
    auto* about = new QAction(QStringLiteral("关于 hexsplice(&A)..."), this);
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &MergeDialog::showAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MergeDialog::showAbout() {
    AboutDialog about(this);
    about.exec();
}

}  // namespace kq
