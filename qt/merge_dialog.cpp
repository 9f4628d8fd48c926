#include "qt/merge_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "qt/about_dialog.h"
#include "qt/app_icon.h"
#include "qt/dialog_controls.h"
#include "qt/dialog_units.h"
#include "merge/merge_engine.h"
#include "qt/path_edit.h"
#include "qt/window_font.h"
#include "platform/exe_directory.h"
#include "platform/file_time.h"
#include "image/chip_family.h"

namespace kq {
namespace {

const QString ProgramName = QStringLiteral("hexsplice");

}  // namespace

MergeDialogServices MergeDialogServices::standard() {
    MergeDialogServices services;
    services.showMessage = [](QWidget* parent, const QString& text) {
        showOkBox(parent, QMessageBox::Warning, ProgramName, text);
    };
    services.chooseHexFile = askForHexFile;
    services.toolFolder = exeDirectory();
    return services;
}

MergeDialog::MergeDialog(MergeDialogServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
    buildControls();
    loadPathMemory(services_.toolFolder, fields_);
    showFields();
    mergeButton_->setFocus();
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
    mergeButton_ = addButton(this, QStringLiteral("合并"), "mergeButton", dlu.rect(103, 235, 60, 27));
    mergeButton_->setDefault(true);

    bootPathEdit_ = new PathEdit(this);
    bootPathEdit_->setObjectName(QStringLiteral("bootPathEdit"));
    bootPathEdit_->setAccessibleName(QStringLiteral("bootload 引导文件路径"));
    bootPathEdit_->setGeometry(dlu.rect(13, 41, 161, 54));

    chooseBootButton_ =
        addButton(this, QStringLiteral("选择BOOTLOAD引导程序"), "chooseBootButton", dlu.rect(182, 56, 86, 23));

    bootTimeLabel_ = addText(this, QString(), dlu.rect(21, 102, 204, 20));
    bootTimeLabel_->setObjectName(QStringLiteral("bootTimeLabel"));
    bootTimeLabel_->setAccessibleName(QStringLiteral("bootload 引导文件修改时间"));

    userPathEdit_ = new PathEdit(this);
    userPathEdit_->setObjectName(QStringLiteral("userPathEdit"));
    userPathEdit_->setAccessibleName(QStringLiteral("用户程序文件路径"));
    userPathEdit_->setGeometry(dlu.rect(13, 132, 161, 56));

    chooseUserButton_ =
        addButton(this, QStringLiteral("选择用户程序文件"), "chooseUserButton", dlu.rect(182, 147, 86, 23));

    userTimeLabel_ = addText(this, QString(), dlu.rect(21, 200, 204, 20));
    userTimeLabel_->setObjectName(QStringLiteral("userTimeLabel"));
    userTimeLabel_->setAccessibleName(QStringLiteral("用户程序文件修改时间"));

    chipCombo_ = new QComboBox(this);
    chipCombo_->setObjectName(QStringLiteral("chipTypeCombo"));
    chipCombo_->setAccessibleName(QStringLiteral("芯片类型"));
    chipCombo_->addItem(QStringLiteral("KQ581X(251内核)"));
    chipCombo_->addItem(QStringLiteral("KQ58XX(ARM内核)"));
    chipCombo_->setGeometry(dlu.rect(13, 13, 92, 14));

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
    comboLabel->setBuddy(chipCombo_);

    setTabOrder(mergeButton_, bootPathEdit_);
    setTabOrder(bootPathEdit_, chooseBootButton_);
    setTabOrder(chooseBootButton_, userPathEdit_);
    setTabOrder(userPathEdit_, chooseUserButton_);
    setTabOrder(chooseUserButton_, chipCombo_);

    connect(mergeButton_, &QPushButton::clicked, this, &MergeDialog::merge);
    connect(chooseBootButton_, &QPushButton::clicked, this, &MergeDialog::chooseBootFile);
    connect(chooseUserButton_, &QPushButton::clicked, this, &MergeDialog::chooseUserFile);

    // X11 window managers own the system menu, so About lives in the context menu.
    auto* about = new QAction(QStringLiteral("关于 hexsplice(&A)..."), this);
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &MergeDialog::showAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MergeDialog::takeControls() {
    fields_.bootPath = bootPathEdit_->toPlainText().toStdString();
    fields_.bootTimeText = bootTimeLabel_->text().toStdString();
    fields_.userPath = userPathEdit_->toPlainText().toStdString();
    fields_.userTimeText = userTimeLabel_->text().toStdString();
    chipIndex_ = chipCombo_->currentIndex();
}

void MergeDialog::showFields() {
    // Only replace edit text that differs, so the cursor stays where it was.
    const QString bootPath = fromUtf8(fields_.bootPath);
    if (bootPathEdit_->toPlainText() != bootPath) bootPathEdit_->setPlainText(bootPath);
    const QString userPath = fromUtf8(fields_.userPath);
    if (userPathEdit_->toPlainText() != userPath) userPathEdit_->setPlainText(userPath);
    bootTimeLabel_->setText(fromUtf8(fields_.bootTimeText));
    userTimeLabel_->setText(fromUtf8(fields_.userTimeText));
    chipCombo_->setCurrentIndex(chipIndex_);
}

void MergeDialog::chooseFile(std::string& path, std::string& timeText) {
    takeControls();
    const QString chosen = services_.chooseHexFile ? services_.chooseHexFile(this) : QString();
    if (!chosen.isEmpty()) {
        path = chosen.toStdString();
        if (auto time = modifiedTimeText(path)) timeText = std::move(*time);
    }
    savePathMemory(services_.toolFolder, fields_);  // after a cancel too; a failure stays silent
    showFields();
}

void MergeDialog::chooseBootFile() { chooseFile(fields_.bootPath, fields_.bootTimeText); }

void MergeDialog::chooseUserFile() { chooseFile(fields_.userPath, fields_.userTimeText); }

void MergeDialog::merge() {
    takeControls();
    MergeHost host;
    host.showMessage = [this](std::string_view text) {
        if (services_.showMessage) services_.showMessage(this, fromUtf8(text));
    };
    host.toolFolder = [this] { return services_.toolFolder; };
    mergeHexFiles(fields_.bootPath, fields_.userPath, chipIndex_ == 0 ? Kq581x : Kq58xx, host);
}

void MergeDialog::showAbout() {
    AboutDialog about(this);
    about.exec();
}

}  // namespace kq
