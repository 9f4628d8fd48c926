// The hexsplice window, offscreen, with its message box, file dialog and tool
// folder replaced so that nothing modal blocks and nothing real is touched.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

#include "qt/merge_dialog.h"
#include "tool_files/path_memory.h"
#include "platform/file_time.h"
#include "platform/line_file.h"
#include "unit/merge_test_files.h"

using namespace kq;
using namespace kq::testing;

namespace {

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

QStringList labelTexts(const QWidget& window) {
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

}  // namespace

class HexspliceWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> tool_;
    std::unique_ptr<TempFolder> inputs_;
    QStringList messages_;
    QStringList answers_;  // what the file dialog answers next; "" = cancel
    int fileDialogs_ = 0;

    MergeDialogServices services() {
        MergeDialogServices s;
        s.showMessage = [this](QWidget*, const QString& text) { messages_ << text; };
        s.chooseHexFile = [this](QWidget*) {
            ++fileDialogs_;
            return answers_.isEmpty() ? QString() : answers_.takeFirst();
        };
        s.toolFolder = tool_->path();
        return s;
    }
    std::string hexFile(const char* name, uint16_t address) {
        writeBytes(inputs_->file(name), paddedTo(hexText({dataRecord(address, 16)}), 100));
        return inputs_->file(name);
    }
    static QString q(const std::string& s) { return QString::fromStdString(s); }
    template <typename T>
    static T* child(QWidget& w, const char* name) {
        T* found = w.findChild<T*>(QLatin1String(name));
        if (found == nullptr) qFatal("no child %s", name);
        return found;
    }
    std::vector<std::string> memoryLines() {
        return readLineFile(pathMemoryFile(tool_->path()), 4).value_or(std::vector<std::string>{});
    }

private slots:
    void init() {
        tool_ = std::make_unique<TempFolder>();
        inputs_ = std::make_unique<TempFolder>();
        messages_.clear();
        answers_.clear();
        fileDialogs_ = 0;
    }

    void initialStateInEmptyToolFolder() {
        MergeDialog dialog(services());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("bootload hex hexsplice"));
        auto* combo = child<QComboBox>(dialog, "chipTypeCombo");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), QStringLiteral("KQ581X(251内核)"));
        QCOMPARE(combo->itemText(1), QStringLiteral("KQ58XX(ARM内核)"));
        QCOMPARE(combo->currentIndex(), 0);

        auto* merge = child<QPushButton>(dialog, "mergeButton");
        QCOMPARE(merge->text(), QStringLiteral("合并"));
        QVERIFY(merge->isDefault());
        QCOMPARE(child<QPushButton>(dialog, "chooseBootButton")->text(), QStringLiteral("选择BOOTLOAD引导程序"));
        QCOMPARE(child<QPushButton>(dialog, "chooseUserButton")->text(), QStringLiteral("选择用户程序文件"));
        QCOMPARE(child<QGroupBox>(dialog, "procedureGroup")->title(), QStringLiteral("操作流程"));

        for (const char* name : {"bootPathEdit", "userPathEdit"}) {
            auto* edit = child<QPlainTextEdit>(dialog, name);
            QVERIFY(edit->toPlainText().isEmpty());
            QVERIFY(!edit->isReadOnly());
            QVERIFY(!edit->accessibleName().isEmpty());
        }
        for (const char* name : {"bootTimeLabel", "userTimeLabel"}) {
            QVERIFY(child<QLabel>(dialog, name)->text().isEmpty());
            QVERIFY(!child<QLabel>(dialog, name)->accessibleName().isEmpty());
        }
        QVERIFY(!combo->accessibleName().isEmpty());

        const QStringList texts = labelTexts(dialog);
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
        QVERIFY(!std::filesystem::exists(pathMemoryFile(tool_->path())));  // opening writes nothing
    }

    void restoresRememberedPathsWithCurrentTimes() {
        const std::string user = hexFile("用户.hex", 0x100);
        QVERIFY(savePathMemory(tool_->path(), {inputs_->file("gone.hex"), "stale", user, "stale"}));

        MergeDialog dialog(services());
        QVERIFY(child<QPlainTextEdit>(dialog, "bootPathEdit")->toPlainText().isEmpty());
        QVERIFY(child<QLabel>(dialog, "bootTimeLabel")->text().isEmpty());
        QCOMPARE(child<QPlainTextEdit>(dialog, "userPathEdit")->toPlainText(), q(user));
        QCOMPARE(child<QLabel>(dialog, "userTimeLabel")->text(), q(*modifiedTimeText(user)));
        QCOMPARE(child<QComboBox>(dialog, "chipTypeCombo")->currentIndex(), 0);
    }

    void chooseShowsPathAndTimeAndRemembersBoth() {
        const std::string boot = hexFile("boot.hex", 0);
        MergeDialog dialog(services());
        child<QPlainTextEdit>(dialog, "userPathEdit")->setPlainText(QStringLiteral("/typed/user.hex"));
        answers_ << q(boot);
        QTest::mouseClick(child<QPushButton>(dialog, "chooseBootButton"), Qt::LeftButton);

        QCOMPARE(fileDialogs_, 1);
        QCOMPARE(child<QPlainTextEdit>(dialog, "bootPathEdit")->toPlainText(), q(boot));
        QCOMPARE(child<QLabel>(dialog, "bootTimeLabel")->text(), q(*modifiedTimeText(boot)));
        // The typed user path survives the exchange and is remembered too.
        QCOMPARE(child<QPlainTextEdit>(dialog, "userPathEdit")->toPlainText(), QStringLiteral("/typed/user.hex"));
        QCOMPARE(memoryLines(),
                 (std::vector<std::string>{boot, *modifiedTimeText(boot), "/typed/user.hex", ""}));
    }

    void cancelChangesNothingButRewritesMemory() {
        const std::string user = hexFile("user.hex", 0x100);
        QVERIFY(savePathMemory(tool_->path(), {"", "", user, "t"}));
        MergeDialog dialog(services());
        const QString shownTime = child<QLabel>(dialog, "userTimeLabel")->text();
        child<QPlainTextEdit>(dialog, "bootPathEdit")->setPlainText(QStringLiteral("typed"));
        std::filesystem::remove(pathMemoryFile(tool_->path()));

        QTest::mouseClick(child<QPushButton>(dialog, "chooseUserButton"), Qt::LeftButton);  // answer: cancel
        QCOMPARE(fileDialogs_, 1);
        QCOMPARE(child<QPlainTextEdit>(dialog, "userPathEdit")->toPlainText(), q(user));
        QCOMPARE(child<QLabel>(dialog, "userTimeLabel")->text(), shownTime);
        QCOMPARE(memoryLines(), (std::vector<std::string>{"typed", "", user, shownTime.toStdString()}));

        // A chosen file that is not there keeps the old time line.
        answers_ << q(inputs_->file("absent.hex"));
        QTest::mouseClick(child<QPushButton>(dialog, "chooseUserButton"), Qt::LeftButton);
        QCOMPARE(child<QPlainTextEdit>(dialog, "userPathEdit")->toPlainText(), q(inputs_->file("absent.hex")));
        QCOMPARE(child<QLabel>(dialog, "userTimeLabel")->text(), shownTime);
    }

    void enterMergesTypedPathsAndWindowStaysOpen() {
        MergeDialog dialog(services());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* bootEdit = child<QPlainTextEdit>(dialog, "bootPathEdit");
        bootEdit->setPlainText(q(hexFile("boot.hex", 0)));
        child<QPlainTextEdit>(dialog, "userPathEdit")->setPlainText(q(hexFile("user.hex", 0x100)));

        bootEdit->setFocus();
        QTest::keyClick(bootEdit, Qt::Key_Return);
        QCOMPARE(messages_, QStringList{QStringLiteral("成功合并!")});
        QVERIFY(dialog.isVisible());
        QCOMPARE(bootEdit->toPlainText().count(QLatin1Char('\n')), 0);  // Enter typed no line break
        QVERIFY(std::filesystem::exists(tool_->file("KQ58XX_bootload_合并.hex")));
        QVERIFY(!std::filesystem::exists(pathMemoryFile(tool_->path())));  // a merge remembers nothing

        // On another push button Enter presses that one instead.
        auto* chooseBoot = child<QPushButton>(dialog, "chooseBootButton");
        chooseBoot->setFocus();
        QTest::keyClick(chooseBoot, Qt::Key_Return);
        QCOMPARE(fileDialogs_, 1);
        QCOMPARE(messages_.size(), 1);

        // Esc closes the window.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }

    void chipTypeChoosesTheAddressLimit() {
        MergeDialog dialog(services());
        child<QPlainTextEdit>(dialog, "bootPathEdit")->setPlainText(q(hexFile("boot.hex", 0)));
        child<QPlainTextEdit>(dialog, "userPathEdit")->setPlainText(q(hexFile("high.hex", 0xFE00)));
        auto* merge = child<QPushButton>(dialog, "mergeButton");

        QTest::mouseClick(merge, Qt::LeftButton);
        child<QComboBox>(dialog, "chipTypeCombo")->setCurrentIndex(1);
        QTest::mouseClick(merge, Qt::LeftButton);
        QCOMPARE(messages_, (QStringList{QStringLiteral("用户程序超63.5K!"), QStringLiteral("成功合并!")}));
    }

    void standardFileDialogShowsOneHexFilterInWorkingDirectory() {
        const QString savedDirectory = QDir::currentPath();
        QVERIFY(QDir::setCurrent(q(inputs_->path())));
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
        const QString chosen = MergeDialogServices::standard().chooseHexFile(nullptr);
        QDir::setCurrent(savedDirectory);

        QVERIFY(chosen.isEmpty());
        QCOMPARE(filters, QStringList{QStringLiteral("All Files(*.hex)")});
        QCOMPARE(shownFilters, QStringList{QStringLiteral("All Files(*.hex)")});
        QCOMPARE(directory, QDir(q(inputs_->path())).absolutePath());
    }

    void aboutBoxFromContextMenu() {
        MergeDialog dialog(services());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        // A right click on a plain text of the window offers the About item.
        QStringList menuItems;
        whenModalAppears([&](QWidget* popup) {
            if (auto* menu = qobject_cast<QMenu*>(popup)) {
                for (QAction* action : menu->actions()) menuItems << action->text();
                menu->close();
            }
        });
        QLabel* text = child<QLabel>(dialog, "bootTimeLabel");
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
        dialog.findChild<QAction*>(QStringLiteral("aboutAction"))->trigger();
        QCOMPARE(caption, QStringLiteral("关于 hexsplice"));
        QCOMPARE(version, QStringLiteral("hexsplice 1.0 版"));
        QCOMPARE(okText, QStringLiteral("确定"));
        QVERIFY(hasIcon);
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(HexspliceWindowTest)
#include "hexsplice_window_test.moc"
