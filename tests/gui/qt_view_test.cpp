// The Qt views of both windows, offscreen: every control id is a widget of
// the right kind, what the user does in it reaches the logic, what the logic
// shows lands in it, and Enter, Esc and the close box go where they should.
// Also the view's own parts: the standard modal boxes and the About box.
// The behaviour behind each control is tested in tests/window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "gui/window_test_support.h"
#include "link/serial_port.h"
#include "merge_window/merge_controls.h"
#include "platform/file_time.h"
#include "platform/program_version.h"
#include "qt/log_panel.h"
#include "qt/merge_dialog.h"
#include "qt/upgrade_dialog.h"
#include "unit/merge_test_files.h"
#include "upgrade_window/upgrade_controls.h"

using namespace kq;
using namespace kq::testing;

namespace {

const QString Sample = QStringLiteral(KQ_SOURCE_DIR "/samples/demo_kq581x.hex");

template <typename T>
T* as(QtDialogView& window, int id) {
    auto* control = qobject_cast<T*>(window.control(id));
    if (control == nullptr) qFatal("control %d is not a %s", id, T::staticMetaObject.className());
    return control;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

// Colour of the text of the given log line.
QColor lineColour(const LogPanel& log, int line) {
    QTextCursor cursor(log.document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().foreground().color();
}

// Runs check on the next modal or popup window once it is up, inside its
// event loop; check must close it.
void whenModalAppears(std::function<void(QWidget*)> check) {
    auto poll = std::make_shared<std::function<void(int)>>();
    // The poll holds itself only weakly: the pending timer keeps it alive, and
    // it goes once the last timer has run (a strong self-capture would leak it).
    std::weak_ptr<std::function<void(int)>> self = poll;
    *poll = [check, self](int triesLeft) {
        QWidget* w = QApplication::activePopupWidget();
        if (w == nullptr) w = QApplication::activeModalWidget();
        if (w != nullptr || triesLeft == 0) {
            check(w);
            return;
        }
        QTimer::singleShot(10, [poll = self.lock(), triesLeft] { (*poll)(triesLeft - 1); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(200); });
}

// One control of a window: its id, its object name (or, for a caption, its
// text), and what shows that it is wired.
struct Wire {
    int id;
    const char* name;
    std::function<void()> check;
};

// Runs every wire's check; stops at the first failure, naming the control.
void checkWires(QtDialogView& window, const std::vector<Wire>& wires) {
    for (const Wire& wire : wires) {
        QWidget* control = window.control(wire.id);
        QVERIFY2(control != nullptr, qPrintable(QStringLiteral("no control %1").arg(wire.id)));
        const auto* label = qobject_cast<QLabel*>(control);
        const QString name = QString::fromUtf8(wire.name);
        QVERIFY2(control->objectName() == name || (label != nullptr && label->text() == name), wire.name);
        wire.check();
        if (QTest::currentTestFailed()) QFAIL(qPrintable(QStringLiteral("control %1 (%2)").arg(wire.id).arg(name)));
    }
}

}  // namespace

class QtViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tool_;
    BoxLog boxes_;
    std::unique_ptr<SilentTerminal> port3_;
    std::unique_ptr<SilentTerminal> port12_;
    std::unique_ptr<PinnedPortsBackend> ports_;

    std::unique_ptr<UpgradeDialog> upgradeWindow() {
        return std::make_unique<UpgradeDialog>(fixedServices(tool_->path()), recordingBoxes(boxes_));
    }
    std::unique_ptr<MergeDialog> mergeWindow() {
        return std::make_unique<MergeDialog>(ProgramFolders::oneFolder(toolFolderOf(tool_->path())), recordingBoxes(boxes_));
    }
    std::string hexFile(const char* name, uint16_t address) {
        const std::string path = toolFolderOf(tool_->path()) + name;
        writeBytes(path, paddedTo(hexText({dataRecord(address, 16)}), 100));
        return path;
    }

private slots:
    void init() {
        tool_ = std::make_unique<QTemporaryDir>();
        boxes_ = BoxLog{};
        port3_ = std::make_unique<SilentTerminal>();
        port12_ = std::make_unique<SilentTerminal>();
        ports_ = std::make_unique<PinnedPortsBackend>(
            std::map<int, std::string>{{3, port3_->device()}, {12, port12_->device()}});
    }
    void cleanup() { ports_.reset(); }

    void everyFlashwrightControlIsWiredToTheLogic() {
        using namespace upgrade_ids;
        auto window = upgradeWindow();
        UpgradeWindow& logic = window->logic();
        const UpgradeSettings& values = logic.values().settings;
        QCOMPARE(window->windowTitle(), QStringLiteral("bootload 软件 V 1.1"));
        auto read = [&] { QVERIFY(logic.readValues()); };
        auto typed = [&](int id, const char* text) {
            as<QLineEdit>(*window, id)->setText(QString::fromUtf8(text));
            read();
        };
        auto picked = [&](int id, int index) {
            as<QComboBox>(*window, id)->setCurrentIndex(index);  // as the user does: the box tells the logic
            read();
        };
        auto backupShown = [&] { return as<QLabel>(*window, KibLabel)->isVisibleTo(window.get()); };
        auto* log = as<LogPanel>(*window, LogBox);

        const std::vector<Wire> wires = {
            {BaudBox, "baudCombo", [&] { picked(BaudBox, 3); QCOMPARE(values.baudRate, 3); }},
            {ParityBox, "parityCombo", [&] { picked(ParityBox, 2); QCOMPARE(values.parity, 2); }},
            {FrameBox, "frameCombo", [&] {
                 QCOMPARE(as<QComboBox>(*window, FrameBox)->itemText(3), QStringLiteral("512"));
                 QCOMPARE(as<QComboBox>(*window, FrameBox)->currentIndex(), 3);
                 picked(FrameBox, 1);
                 QCOMPARE(values.frameDataLength, 1);
             }},
            {ChipBox, "chipCombo", [&] {
                 as<QComboBox>(*window, ChipBox)->setCurrentIndex(1);
                 QCOMPARE(as<QLineEdit>(*window, UserOffsetEdit)->text(), QStringLiteral("4000"));  // type rules ran
             }},
            {BootloadBox, "bootloadCombo", [&] {
                 QVERIFY(!backupShown());
                 as<QComboBox>(*window, BootloadBox)->setCurrentIndex(1);
                 QCOMPARE(as<QLineEdit>(*window, UpgradeOffsetEdit)->text(), QStringLiteral("11000"));
             }},
            {UpgradeOffsetLabel, "升级程序偏移地址 0x", [&] { QVERIFY(backupShown()); }},
            {AreaLabel, "升级程序空间大小 ", [&] { QVERIFY(backupShown()); }},
            {KibLabel, "K", [&] { QVERIFY(backupShown()); }},
            {AddressLabel, "地址", [&] { QVERIFY(backupShown()); }},
            {FrameLabel, "每帧数据长度", [&] {
                 as<QComboBox>(*window, BootloadBox)->setCurrentIndex(0);
                 for (const int id : {UpgradeOffsetLabel, UpgradeOffsetEdit, AreaLabel, AreaEdit, KibLabel,
                                      AddressLabel, AddressEdit, FrameLabel, FrameBox})
                     QVERIFY(!window->control(id)->isVisibleTo(window.get()));
             }},
            {UserOffsetEdit, "userOffsetEdit", [&] { typed(UserOffsetEdit, "2000"); QCOMPARE(values.userOffsetHex, std::string("2000")); }},
            {UpgradeOffsetEdit, "upgradeOffsetEdit", [&] {
                 typed(UpgradeOffsetEdit, "9000");
                 QCOMPARE(values.upgradeOffsetHex, std::string("9000"));
             }},
            {AreaEdit, "areaEdit", [&] { typed(AreaEdit, "20"); QCOMPARE(values.upgradeAreaKiB, 20); }},
            {AddressEdit, "moduleAddressEdit", [&] {
                 QCOMPARE(as<QLineEdit>(*window, AddressEdit)->maxLength(), 12);
                 typed(AddressEdit, "000000000001");
                 QCOMPARE(values.moduleAddress, std::string("000000000001"));
             }},
            {PortBox, "portCombo", [&] {
                 auto* box = as<QComboBox>(*window, PortBox);
                 QCOMPARE(box->itemText(1), QStringLiteral("COM12 (%1)").arg(q(port12_->device())));
                 QVERIFY(openPort(3, 7, 8, 0, 0) == PortOpenResult::Opened);
                 box->showPopup();  // lists afresh, which closes every port
                 box->hidePopup();
                 QCOMPARE(isClosed(3), 1);
                 box->setCurrentIndex(1);
                 emit box->activated(1);
                 QCOMPARE(values.portNumber, 12);
             }},
            {ChooseFileButton, "chooseFileButton", [&] {
                 boxes_.fileAnswers = {Sample};
                 as<QPushButton>(*window, ChooseFileButton)->click();
                 QCOMPARE(as<QPlainTextEdit>(*window, HexPathEdit)->toPlainText(), Sample);
             }},
            {HexTimeLabel, "hexTimeLabel", [&] {
                 QCOMPARE(as<QLabel>(*window, HexTimeLabel)->text(), q(*modifiedTimeText(Sample.toStdString())));
                 as<QLabel>(*window, HexTimeLabel)->setText(QStringLiteral("t"));
                 read();
                 QCOMPARE(logic.values().hexFileTimeText, std::string("t"));
             }},
            {HexPathEdit, "hexPathEdit", [&] {
                 as<QPlainTextEdit>(*window, HexPathEdit)->setPlainText(QStringLiteral("/typed/missing.hex"));
                 read();
                 QCOMPARE(values.hexPath, std::string("/typed/missing.hex"));
             }},
            {SaveConfigButton, "saveConfigButton", [&] {
                 as<QPushButton>(*window, SaveConfigButton)->click();
                 QCOMPARE(boxes_.messages.last(), QStringLiteral("保存完毕"));
             }},
            {LogBox, "logPanel", [&] {
                 logic.appendLogColoured("重新写入\r\n", LogRed);
                 logic.appendLog("写入成功\r\n");
                 logic.appendLogColoured("失败\r\n", LogGreen);
                 log->setFocus();
                 QTest::keyClicks(log, QStringLiteral("typed\t"));  // the log takes no typed text
                 QCOMPARE(lineColour(*log, 0), QColor(255, 0, 0));
                 QCOMPARE(lineColour(*log, 1), QColor(0, 0, 0));
                 QCOMPARE(lineColour(*log, 2), QColor(0, 255, 0));
                 QCOMPARE(log->currentCharFormat().foreground().color(), QColor(0, 0, 0));  // what comes next
                 QCOMPARE(window->text(LogBox), std::string("重新写入\r\n写入成功\r\n失败\r\n"));
                 QCOMPARE(window->textLength(LogBox), 13);
             }},
            {SaveLogButton, "saveLogButton", [&] {
                 as<QPushButton>(*window, SaveLogButton)->click();
                 QVERIFY(boxes_.messages.last().startsWith(QStringLiteral("保存完毕，保存到文件")));
             }},
            {ClearLogButton, "clearLogButton", [&] {
                 as<QPushButton>(*window, ClearLogButton)->click();
                 QCOMPARE(boxes_.questions, QStringList{QStringLiteral("确认: 是否要清空日志")});
                 QCOMPARE(log->toPlainText(), QString());
             }},
            {StopButton, "stopButton", [&] {
                 as<QPushButton>(*window, StopButton)->click();  // idle: a time stamp only
                 QVERIFY(log->toPlainText().startsWith(QStringLiteral("2026-03-07 ")));
             }},
            {SectorLabel, "sectorLabel", [&] {
                 logic.setSectorLabel("第3扇区");
                 QCOMPARE(as<QLabel>(*window, SectorLabel)->text(), QStringLiteral("第3扇区"));
             }},
            {ProgressBar, "progressBar", [&] {
                 QCOMPARE(as<QProgressBar>(*window, ProgressBar)->value(), -1);
                 logic.reportProgress(3, 8);
                 QCOMPARE(as<QProgressBar>(*window, ProgressBar)->value(), 3);
                 QCOMPARE(as<QProgressBar>(*window, ProgressBar)->maximum(), 8);
             }},
            {UpgradeButton, "upgradeButton", [&] {
                 as<QPushButton>(*window, UpgradeButton)->click();  // the typed file is missing
                 QCOMPARE(boxes_.messages.last(), QStringLiteral(".hex 不存在!"));
                 QCOMPARE(as<QProgressBar>(*window, ProgressBar)->value(), -1);
                 logic.setUpgradeCaption("对接中");
                 QCOMPARE(as<QPushButton>(*window, UpgradeButton)->text(), QStringLiteral("对接中"));
             }},
            {upgrade_ids::StatusPicture, "statusPicture", [&] {
                 auto* picture = as<QLabel>(*window, upgrade_ids::StatusPicture);
                 QCOMPARE(picture->pixmap().size(), QSize(20, 20));
                 logic.showStatusPicture(PictureTick);
                 QCOMPARE(picture->pixmap().size(), QSize(64, 61));
                 QCOMPARE(picture->accessibleDescription(), QStringLiteral("升级成功"));
                 logic.showStatusPicture(PictureCross);
                 QCOMPARE(picture->pixmap().size(), QSize(64, 60));
                 QCOMPARE(picture->accessibleDescription(), QStringLiteral("升级失败"));
             }},
        };
        checkWires(*window, wires);
        // Every control without a caption of its own has a name for screen readers.
        for (const int id : {PortBox, BaudBox, ParityBox, ChipBox, BootloadBox, HexPathEdit, UserOffsetEdit,
                             UpgradeOffsetEdit, AreaEdit, AddressEdit, FrameBox, LogBox, upgrade_ids::StatusPicture,
                             ProgressBar, SectorLabel, HexTimeLabel})
            QVERIFY2(!window->control(id)->accessibleName().isEmpty(), qPrintable(window->control(id)->objectName()));
    }

    void flashwrightKeysAndTheCloseBoxGoToTheLogic() {
        using namespace upgrade_ids;
        auto window = upgradeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // Tab in the log moves the focus on.
        auto* log = as<LogPanel>(*window, LogBox);
        log->setFocus();
        QTest::keyClick(log, Qt::Key_Tab);
        QVERIFY(window->focusWidget() != log);
        // Enter on a push button presses it; Enter elsewhere ends the window after a read.
        auto* save = as<QPushButton>(*window, SaveConfigButton);
        save->setFocus();
        QTest::keyClick(save, Qt::Key_Return);
        QCOMPARE(boxes_.messages, QStringList{QStringLiteral("保存完毕")});
        auto* area = as<QLineEdit>(*window, AreaEdit);
        auto* offset = as<QLineEdit>(*window, UserOffsetEdit);
        area->setText(QStringLiteral("x"));
        offset->setFocus();
        QTest::keyClick(offset, Qt::Key_Return);
        QVERIFY(window->isVisible());  // the read refused the area
        QCOMPARE(boxes_.messages.last(), QStringLiteral("请输入一个整数。"));
        area->setText(QStringLiteral("30"));
        offset->setFocus();
        QTest::keyClick(offset, Qt::Key_Return);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->logic().values().settings.upgradeAreaKiB, 30);

        for (const bool escape : {true, false}) {
            auto other = upgradeWindow();
            other->show();
            QVERIFY(QTest::qWaitForWindowExposed(other.get()));
            if (escape) QTest::keyClick(other.get(), Qt::Key_Escape);
            else other->close();
            QVERIFY(!other->isVisible());
        }
    }

    void everyHexspliceControlIsWiredToTheLogic() {
        using namespace merge_ids;
        auto window = mergeWindow();
        MergeWindow& logic = window->logic();
        QCOMPARE(window->windowTitle(), QStringLiteral("bootload hex hexsplice"));
        const std::string boot = hexFile("boot.hex", 0);
        const std::string user = hexFile("user.hex", 0x100);
        const std::vector<Wire> wires = {
            {ChipBox, "chipTypeCombo", [&] {
                 auto* box = as<QComboBox>(*window, ChipBox);
                 QCOMPARE(box->itemText(1), QStringLiteral("KQ58XX(ARM内核)"));
                 QCOMPARE(box->currentIndex(), 0);
                 box->setCurrentIndex(1);
             }},
            {ChooseBootButton, "chooseBootButton", [&] {
                 boxes_.fileAnswers = {q(boot)};
                 as<QPushButton>(*window, ChooseBootButton)->click();
                 QCOMPARE(as<QPlainTextEdit>(*window, BootPathEdit)->toPlainText(), q(boot));
             }},
            {BootTimeLabel, "bootTimeLabel", [&] {
                 QCOMPARE(as<QLabel>(*window, BootTimeLabel)->text(), q(*modifiedTimeText(boot)));
             }},
            {ChooseUserButton, "chooseUserButton", [&] {
                 boxes_.fileAnswers = {QStringLiteral("/chosen/user.hex")};
                 as<QPushButton>(*window, ChooseUserButton)->click();
                 QCOMPARE(as<QPlainTextEdit>(*window, UserPathEdit)->toPlainText(), QStringLiteral("/chosen/user.hex"));
                 QCOMPARE(logic.fields().bootPath, boot);
             }},
            {UserTimeLabel, "userTimeLabel", [&] {
                 as<QLabel>(*window, UserTimeLabel)->setText(QStringLiteral("t"));
                 as<QPushButton>(*window, ChooseUserButton)->click();  // cancelled: the fields are read
                 QCOMPARE(logic.fields().userTimeText, std::string("t"));
             }},
            {UserPathEdit, "userPathEdit", [&] { as<QPlainTextEdit>(*window, UserPathEdit)->setPlainText(q(user)); }},
            {BootPathEdit, "bootPathEdit", [&] { as<QPlainTextEdit>(*window, BootPathEdit)->setPlainText(q(boot)); }},
            {MergeButton, "mergeButton", [&] {
                 auto* merge = as<QPushButton>(*window, MergeButton);
                 QCOMPARE(merge->text(), QStringLiteral("合并"));
                 QVERIFY(merge->isDefault());
                 merge->click();
                 QCOMPARE(boxes_.messages, QStringList{QStringLiteral("成功合并!")});
                 QCOMPARE(logic.fields().userPath, user);
                 QCOMPARE(logic.chipIndex(), 1);
             }},
        };
        checkWires(*window, wires);

        QCOMPARE(window->findChild<QGroupBox*>(QStringLiteral("procedureGroup"))->title(), QStringLiteral("操作流程"));
        QStringList texts;
        for (const QLabel* label : window->findChildren<QLabel*>()) texts << label->text();
        for (const QString& expected : {
                 QStringLiteral("1、选择芯片类型"),
                 QStringLiteral("2、点击“选择bootload引导文件”按钮， 选择bootload文件"),
                 QStringLiteral("3、点击“选择用户程序文件”按钮， 选择程序文件"),
                 QStringLiteral("4、点击“合并”按钮， 生成的合并文件将放在此工具的文件夹下，文件名为“KQ58XX_bootload_合并.hex”"),
                 QStringLiteral("5、软件自动对最近一次选择的文件进行记录，存入\"路径.txt\",放在工具文件夹下"),
                 QStringLiteral("注意注意: 合并只判hex文件是否有地址重合,不保证程序大小"),
                 QStringLiteral("芯片类型"),
             })
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        for (const int id : {BootPathEdit, UserPathEdit, BootTimeLabel, UserTimeLabel, ChipBox})
            QVERIFY2(!window->control(id)->accessibleName().isEmpty(), qPrintable(window->control(id)->objectName()));
        QVERIFY(!as<QPlainTextEdit>(*window, BootPathEdit)->isReadOnly());
    }

    void hexspliceKeysGoToTheLogic() {
        using namespace merge_ids;
        auto window = mergeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* bootEdit = as<QPlainTextEdit>(*window, BootPathEdit);
        bootEdit->setPlainText(q(hexFile("boot.hex", 0)));
        as<QPlainTextEdit>(*window, UserPathEdit)->setPlainText(q(hexFile("user.hex", 0x100)));

        bootEdit->setFocus();
        QTest::keyClick(bootEdit, Qt::Key_Return);
        QCOMPARE(boxes_.messages, QStringList{QStringLiteral("成功合并!")});
        QVERIFY(window->isVisible());
        QCOMPARE(bootEdit->toPlainText().count(QLatin1Char('\n')), 0);  // Enter typed no line break

        // On another push button Enter presses that one instead.
        auto* chooseBoot = as<QPushButton>(*window, ChooseBootButton);
        chooseBoot->setFocus();
        QTest::keyClick(chooseBoot, Qt::Key_Return);
        QCOMPARE(boxes_.fileDialogs, 1);
        QCOMPARE(boxes_.messages.size(), 1);

        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }

    void standardBoxesAreTheProgramsOwn() {
        const QtModalBoxes boxes = QtModalBoxes::standard(QStringLiteral("hexsplice"));
        QString title, text, okText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        auto readBox = [&](QWidget* window) {
            auto* box = qobject_cast<QMessageBox*>(window);
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            QStringList captions;
            for (QAbstractButton* button : box->buttons()) captions << button->text();
            captions.sort();
            okText = captions.join(QLatin1Char(' '));
            box->button(QMessageBox::Ok)->click();
        };
        whenModalAppears(readBox);
        boxes.showMessage(nullptr, QStringLiteral("成功合并!"), MessageIcon::Warning);
        QCOMPARE(title, QStringLiteral("hexsplice"));
        QCOMPARE(text, QStringLiteral("成功合并!"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(okText, QStringLiteral("确定"));

        whenModalAppears(readBox);
        QVERIFY(boxes.askOkCancel(nullptr, QStringLiteral("确认"), QStringLiteral("是否要清空日志")));
        QCOMPARE(title, QStringLiteral("确认"));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(okText, QStringLiteral("取消 确定"));
    }

    void standardFileDialogShowsOneHexFilterInWorkingDirectory() {
        const QString savedDirectory = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tool_->path()));
        QStringList filters, shownFilters;
        QString directory;
        whenModalAppears([&](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            QVERIFY(dialog != nullptr);
            filters = dialog->nameFilters();
            auto* typeCombo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; typeCombo != nullptr && i < typeCombo->count(); ++i) shownFilters << typeCombo->itemText(i);
            directory = dialog->directory().absolutePath();
            dialog->reject();
        });
        const QString chosen = QtModalBoxes::standard(QStringLiteral("hexsplice")).chooseHexFile(nullptr);
        QDir::setCurrent(savedDirectory);

        QVERIFY(chosen.isEmpty());
        QCOMPARE(filters, QStringList{QStringLiteral("All Files(*.hex)")});
        QCOMPARE(shownFilters, QStringList{QStringLiteral("All Files(*.hex)")});
        QCOMPARE(directory, QDir(tool_->path()).absolutePath());
    }

    void aboutBoxFromContextMenu() {
        auto window = mergeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        // A right click on a plain text of the window offers the About item.
        QStringList menuItems;
        whenModalAppears([&](QWidget* popup) {
            if (auto* menu = qobject_cast<QMenu*>(popup)) {
                for (QAction* action : menu->actions()) menuItems << action->text();
                menu->close();
            }
        });
        QWidget* text = window->control(merge_ids::BootTimeLabel);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), text->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(text, &event);
        QCOMPARE(menuItems, QStringList{QStringLiteral("关于 hexsplice(&A)...")});

        QString caption, version, okText;
        bool hasIcon = false;
        whenModalAppears([&](QWidget* box) {
            QVERIFY(box != nullptr);
            caption = box->windowTitle();
            version = box->findChild<QLabel*>(QStringLiteral("aboutText"))->text();
            hasIcon = !box->findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().isNull();
            auto* ok = box->findChild<QPushButton*>(QStringLiteral("aboutOkButton"));
            okText = ok->text();
            QVERIFY(ok->isDefault());
            ok->click();
        });
        window->findChild<QAction*>(QStringLiteral("aboutAction"))->trigger();
        QCOMPARE(caption, QStringLiteral("关于 hexsplice"));
        QCOMPARE(version, QStringLiteral("hexsplice %1 版").arg(QString::fromUtf8(programVersion().data(), programVersion().size())));
        QCOMPARE(okText, QStringLiteral("确定"));
        QVERIFY(hasIcon);
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(QtViewTest)
#include "qt_view_test.moc"
