// The flashwright window offscreen: start-up values, type rules, port list,
// data exchange, the log, remembered files and the close guard. Message
// boxes, the file dialog, the clock and the tool folder are replaced, so
// nothing modal blocks and nothing beside the test program is touched.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "gui/flashwright_test_support.h"
#include "link/serial_port.h"
#include "platform/file_time.h"
#include "tool_files/last_path_file.h"
#include "qt/log_panel.h"
#include "tool_files/parameter_file.h"
#include "tool_files/saved_log_file.h"
#include "qt/upgrade_dialog.h"

using namespace kq;
using namespace kq::testing;

namespace {

template <typename T>
T* child(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (found == nullptr) qFatal("no control named %s", name);
    return found;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Colour of the text of the given log line.
QColor lineColour(const LogPanel& log, int line) {
    const QTextBlock block = log.document()->findBlockByNumber(line);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().foreground().color();
}

bool backupGroupShown(const QWidget& window) {
    return child<QLineEdit>(window, "upgradeOffsetEdit")->isVisibleTo(&window) &&
           child<QLineEdit>(window, "areaEdit")->isVisibleTo(&window) &&
           child<QLineEdit>(window, "moduleAddressEdit")->isVisibleTo(&window) &&
           child<QComboBox>(window, "frameCombo")->isVisibleTo(&window);
}

}  // namespace

class FlashwrightWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tool_;
    ServiceLog log_;
    std::unique_ptr<SilentTerminal> port3_;
    std::unique_ptr<SilentTerminal> port12_;
    std::unique_ptr<PinnedPortsBackend> ports_;

    QString toolFile(std::string_view name) const {
        return tool_->filePath(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    std::unique_ptr<UpgradeDialog> openWindow() {
        return std::make_unique<UpgradeDialog>(recordingServices(log_, tool_->path()));
    }

private slots:
    void init() {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        tool_ = std::make_unique<QTemporaryDir>();
        log_ = ServiceLog{};
        port3_ = std::make_unique<SilentTerminal>();
        port12_ = std::make_unique<SilentTerminal>();
        ports_ = std::make_unique<PinnedPortsBackend>(
            std::map<int, std::string>{{3, port3_->device()}, {12, port12_->device()}});
    }
    void cleanup() {
        ports_.reset();  // restores the platform backend
    }

    void firstStartShowsTheDefaults() {
        auto window = openWindow();
        const UpgradeSettings& s = window->values().settings;
        QCOMPARE(window->windowTitle(), QStringLiteral("bootload 软件 V 1.1"));
        QCOMPARE(child<QComboBox>(*window, "chipCombo")->currentText(), QStringLiteral("KQ581X(251内核)"));
        QCOMPARE(child<QComboBox>(*window, "bootloadCombo")->currentText(), QStringLiteral("本地"));
        QCOMPARE(child<QComboBox>(*window, "baudCombo")->currentText(), QStringLiteral("115200"));
        QCOMPARE(child<QComboBox>(*window, "parityCombo")->currentText(), QStringLiteral("无校验"));
        QCOMPARE(child<QComboBox>(*window, "frameCombo")->currentText(), QStringLiteral("512"));
        QCOMPARE(child<QLineEdit>(*window, "userOffsetEdit")->text(), QStringLiteral("1000"));
        QCOMPARE(child<QLineEdit>(*window, "upgradeOffsetEdit")->text(), QStringLiteral("12000"));
        QCOMPARE(child<QLineEdit>(*window, "areaEdit")->text(), QStringLiteral("56"));
        QCOMPARE(child<QLineEdit>(*window, "moduleAddressEdit")->text(), QStringLiteral("AAAAAAAAAAAA"));
        QCOMPARE(child<QPlainTextEdit>(*window, "hexPathEdit")->toPlainText(), QString());
        QCOMPARE(child<QLabel>(*window, "hexTimeLabel")->text(), QString());
        QVERIFY(!backupGroupShown(*window));
        QCOMPARE(child<QLabel>(*window, "statusPicture")->pixmap().size(), QSize(20, 20));
        QCOMPARE(child<QProgressBar>(*window, "progressBar")->value(), -1);
        // The first port found is chosen; its item names the device.
        auto* ports = child<QComboBox>(*window, "portCombo");
        QCOMPARE(ports->count(), 2);
        QCOMPARE(ports->itemText(0), QStringLiteral("COM 3 (%1)").arg(QString::fromStdString(port3_->device())));
        QCOMPARE(ports->itemText(1), QStringLiteral("COM12 (%1)").arg(QString::fromStdString(port12_->device())));
        QCOMPARE(ports->currentIndex(), 0);
        QCOMPARE(s.portNumber, 3);
        QVERIFY(log_.messages.isEmpty());
        // Every control without a caption of its own has a name for screen readers.
        for (const char* name : {"portCombo", "baudCombo", "parityCombo", "chipCombo", "bootloadCombo", "hexPathEdit",
                                 "userOffsetEdit", "upgradeOffsetEdit", "areaEdit", "moduleAddressEdit", "frameCombo",
                                 "logPanel", "statusPicture", "progressBar", "sectorLabel", "hexTimeLabel"})
            QVERIFY2(!window->findChild<QWidget*>(QLatin1String(name))->accessibleName().isEmpty(), name);
    }

    void typeRulesSetOffsetsAndTheBackupGroup_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("userOffset");
        QTest::addColumn<QString>("upgradeOffset");
        QTest::addColumn<QString>("area");
        QTest::addColumn<bool>("backupShown");
        // The upgrade offset and area start edited to 777 / 9, so "kept" shows.
        QTest::newRow("251 local") << 0 << 0 << "1000" << "777" << "9" << false;
        QTest::newRow("251 backup") << 0 << 1 << "1000" << "8000" << "28" << true;
        QTest::newRow("251 no backup") << 0 << 2 << "1000" << "777" << "9" << false;
        QTest::newRow("arm local") << 1 << 0 << "4000" << "777" << "9" << false;
        QTest::newRow("arm backup") << 1 << 1 << "4000" << "11000" << "52" << true;
        QTest::newRow("arm no backup") << 1 << 2 << "4000" << "777" << "9" << false;
    }
    void typeRulesSetOffsetsAndTheBackupGroup() {
        QFETCH(int, chip);
        QFETCH(int, type);
        auto window = openWindow();
        auto* chipBox = child<QComboBox>(*window, "chipCombo");
        auto* typeBox = child<QComboBox>(*window, "bootloadCombo");
        // Start from the other chip and another type, so that both boxes change.
        chipBox->setCurrentIndex(1 - chip);
        typeBox->setCurrentIndex(type == 0 ? 2 : 0);
        child<QLineEdit>(*window, "userOffsetEdit")->setText(QStringLiteral("abc"));
        child<QLineEdit>(*window, "upgradeOffsetEdit")->setText(QStringLiteral("777"));
        child<QLineEdit>(*window, "areaEdit")->setText(QStringLiteral("9"));
        chipBox->setCurrentIndex(chip);
        typeBox->setCurrentIndex(type);
        QTEST(child<QLineEdit>(*window, "userOffsetEdit")->text(), "userOffset");
        QTEST(child<QLineEdit>(*window, "upgradeOffsetEdit")->text(), "upgradeOffset");
        QTEST(child<QLineEdit>(*window, "areaEdit")->text(), "area");
        QTEST(backupGroupShown(*window), "backupShown");
    }

    void leavingBackupHidesTheGroupAndKeepsItsValues() {
        auto window = openWindow();
        child<QComboBox>(*window, "chipCombo")->setCurrentIndex(1);
        child<QComboBox>(*window, "bootloadCombo")->setCurrentIndex(1);
        child<QComboBox>(*window, "bootloadCombo")->setCurrentIndex(0);
        QVERIFY(!backupGroupShown(*window));
        QCOMPARE(window->values().settings.upgradeOffsetHex, std::string("11000"));
        QCOMPARE(window->values().settings.upgradeAreaKiB, 52);
    }

    void rememberedPortIndexChoosesItsItemOrTheFirst_data() {
        QTest::addColumn<int>("remembered");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("port");
        QTest::newRow("second item") << 1 << 1 << 12;
        QTest::newRow("out of range") << 5 << 0 << 3;
        QTest::newRow("negative") << -1 << 0 << 3;
    }
    void rememberedPortIndexChoosesItsItemOrTheFirst() {
        QFETCH(int, remembered);
        ParameterRecord record{"", "", "AAAAAAAAAAAA", "1000", "12000", 3, 7, 0, 56, 0, 0, remembered};
        QVERIFY(writeParameterFile(toolFile(ParameterFileName).toStdString(), record));
        auto window = openWindow();
        QTEST(child<QComboBox>(*window, "portCombo")->currentIndex(), "item");
        QTEST(window->values().settings.portNumber, "port");
    }

    void choosingAPortItemSetsThePortNumber() {
        auto window = openWindow();
        auto* ports = child<QComboBox>(*window, "portCombo");
        ports->setCurrentIndex(1);
        emit ports->activated(1);
        QCOMPARE(window->values().settings.portNumber, 12);
    }

    void droppingDownTheListClosesAnOpenPort() {
        auto window = openWindow();
        QVERIFY(openPort(3, 7, 8, 0, 0) == PortOpenResult::Opened);
        QCOMPARE(isClosed(3), 0);
        child<QComboBox>(*window, "portCombo")->showPopup();
        QCOMPARE(isClosed(3), 1);
        child<QComboBox>(*window, "portCombo")->hidePopup();
    }

    void noPortFoundLeavesTheBoxEmptyAndTheRunSaysSo() {
        ports_.reset();
        ports_ = std::make_unique<PinnedPortsBackend>(std::map<int, std::string>{});
        auto window = openWindow();
        QCOMPARE(child<QComboBox>(*window, "portCombo")->count(), 0);
        QCOMPARE(window->values().settings.portNumber, 0);
        QVERIFY(window->openSelectedPort(window->values().settings) == SelectedPortResult::NoneChosen);
        QCOMPARE(child<LogPanel>(*window, "logPanel")->toPlainText(), QStringLiteral("通信口没有选择"));
    }

    void aNonIntegerAreaIsRefusedAndTheReadStopsThere() {
        auto window = openWindow();
        child<QLineEdit>(*window, "areaEdit")->setText(QStringLiteral("12K"));
        child<QComboBox>(*window, "bootloadCombo")->setCurrentIndex(1);
        QCOMPARE(log_.messages, QStringList{QStringLiteral("请输入一个整数。")});
        // Neither the area nor the type box was read: the pass went on with the old values.
        QCOMPARE(window->values().settings.bootloadType, 0);
        QCOMPARE(window->values().settings.upgradeAreaKiB, 56);
        QCOMPARE(child<QComboBox>(*window, "bootloadCombo")->currentIndex(), 0);
        QCOMPARE(child<QLineEdit>(*window, "areaEdit")->text(), QStringLiteral("56"));
        // Values before the refused box were read.
        child<QComboBox>(*window, "baudCombo")->setCurrentIndex(3);
        child<QLineEdit>(*window, "areaEdit")->setText(QStringLiteral(" -7 "));
        QVERIFY(window->readValues());
        QCOMPARE(window->values().settings.upgradeAreaKiB, -7);
        QCOMPARE(window->values().settings.baudRate, 3);
    }

    void aRememberedAddressOverTwelveCharactersIsKeptWholeAndRefused() {
        ParameterRecord record{"", "", "1234567890123", "1000", "12000", 3, 7, 0, 56, 0, 1, 0};
        QVERIFY(writeParameterFile(toolFile(ParameterFileName).toStdString(), record));
        auto window = openWindow();
        QCOMPARE(child<QLineEdit>(*window, "moduleAddressEdit")->text(), QStringLiteral("1234567890123"));
        child<QComboBox>(*window, "baudCombo")->setCurrentIndex(2);
        QVERIFY(!window->readValues());
        QCOMPARE(log_.messages, QStringList{QStringLiteral("请输入不超过 12 个字符。")});
        QCOMPARE(window->values().settings.baudRate, 7);  // after the address: not read
    }

    void logColoursFollowTheLowEightBits_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0 blue") << 0 << QColor(0, 0, 255);
        QTest::newRow("1 red") << 1 << QColor(255, 0, 0);
        QTest::newRow("2 green") << 2 << QColor(0, 255, 0);
        QTest::newRow("3 yellow") << 3 << QColor(255, 255, 0);
        QTest::newRow("4 black") << 4 << QColor(0, 0, 0);
        QTest::newRow("255 black") << 255 << QColor(0, 0, 0);
        QTest::newRow("-1 black") << -1 << QColor(0, 0, 0);
        QTest::newRow("256 blue") << 256 << QColor(0, 0, 255);
        QTest::newRow("259 yellow") << 259 << QColor(255, 255, 0);
    }
    void logColoursFollowTheLowEightBits() {
        QFETCH(int, code);
        auto window = openWindow();
        window->appendLogColoured("coloured\r\n", code);
        QTEST(lineColour(*child<LogPanel>(*window, "logPanel"), 0), "colour");
    }

    void plainTextAfterAColouredLineIsBlackAndTypingStartsInTheDefault() {
        auto window = openWindow();
        auto* log = child<LogPanel>(*window, "logPanel");
        window->appendLogColoured("重新写入\r\n", LogRed);
        window->appendLog("写入成功\r\n");
        QCOMPARE(log->toPlainText(), QStringLiteral("重新写入\n写入成功\n"));
        QCOMPARE(lineColour(*log, 0), QColor(255, 0, 0));
        QCOMPARE(lineColour(*log, 1), QColor(0, 0, 0));
        window->appendLogColoured("失败\r\n", LogRed);
        log->setFocus();
        QTest::keyClicks(log, QStringLiteral("typed"));
        QCOMPARE(lineColour(*log, 3), QColor(0, 0, 0));
        QCOMPARE(log->savedText(), QStringLiteral("重新写入\r\n写入成功\r\n失败\r\ntyped"));
    }

    void aLogPastItsLimitIsEmptiedBeforeTheNextText() {
        LogPanel log(nullptr, 10);
        log.appendPlain("0123456789");
        log.appendPlain("A");  // 10 characters: not past the limit yet
        QCOMPARE(log.toPlainText(), QStringLiteral("0123456789A"));
        log.appendColoured("new\r\n", LogGreen);
        QCOMPARE(log.toPlainText(), QStringLiteral("new\n"));
    }

    void timestampsUseLocalTime() {
        ::setenv("TZ", "CST-8", 1);
        ::tzset();
        auto window = openWindow();
        window->appendTimestamp();
        QCOMPARE(child<LogPanel>(*window, "logPanel")->toPlainText(), QStringLiteral("2026-03-07 16:05:09\n"));
    }

    void clearingAsksAndCancelKeepsTheLog() {
        auto window = openWindow();
        window->appendLog("line\r\n");
        log_.confirmClear = false;
        child<QPushButton>(*window, "clearLogButton")->click();
        QCOMPARE(log_.clearQuestions, 1);
        QCOMPARE(child<LogPanel>(*window, "logPanel")->toPlainText(), QStringLiteral("line\n"));
        log_.confirmClear = true;
        child<QPushButton>(*window, "clearLogButton")->click();
        QCOMPARE(child<LogPanel>(*window, "logPanel")->toPlainText(), QString());
    }

    void aSavedLogIsItsTextAndANul() {
        auto window = openWindow();
        window->appendLog("abc");
        child<QPushButton>(*window, "saveLogButton")->click();
        const QString path = toolFile(savedLogPath("", 1772870709));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("日志保存--26年03月07日08时05分09秒.txt"));
        QCOMPARE(fileBytes(path), QByteArray("abc\0", 4));
        QCOMPARE(log_.messages, QStringList{QStringLiteral("保存完毕，保存到文件") + path});
        // Two lines, one coloured, in GB18030 with CR LF breaks.
        window->appendLogColoured("\r\n失败\r\n", LogRed);
        child<QPushButton>(*window, "saveLogButton")->click();
        QCOMPARE(fileBytes(path), QByteArray("abc\r\n\xca\xa7\xb0\xdc\r\n\0", 12));
    }

    void unwritableFilesAreReportedNotConfirmed() {
        auto services = recordingServices(log_, tool_->filePath(QStringLiteral("gone")));
        UpgradeDialog window(services);
        window.appendLog("abc");
        child<QPushButton>(window, "saveLogButton")->click();
        child<QPushButton>(window, "saveConfigButton")->click();
        const QString folder = tool_->filePath(QStringLiteral("gone")) + QLatin1Char('/');
        QCOMPARE(log_.messages,
                 (QStringList{QStringLiteral("保存失败，无法写入文件") + folder + QStringLiteral("日志保存--26年03月07日08时05分09秒.txt"),
                              QStringLiteral("保存失败，无法写入文件") + folder + QStringLiteral("参数配置.txt")}));
    }

    void savedSettingsComeBackAtTheNextStart() {
        {
            auto window = openWindow();
            child<QComboBox>(*window, "chipCombo")->setCurrentIndex(1);
            child<QComboBox>(*window, "bootloadCombo")->setCurrentIndex(1);
            child<QComboBox>(*window, "baudCombo")->setCurrentIndex(3);
            child<QComboBox>(*window, "parityCombo")->setCurrentIndex(2);
            child<QComboBox>(*window, "frameCombo")->setCurrentIndex(1);
            child<QLineEdit>(*window, "moduleAddressEdit")->setText(QStringLiteral("000000000001"));
            auto* ports = child<QComboBox>(*window, "portCombo");
            ports->setCurrentIndex(1);
            emit ports->activated(1);
            child<QPushButton>(*window, "saveConfigButton")->click();
            QCOMPARE(log_.messages, QStringList{QStringLiteral("保存完毕")});
        }
        QCOMPARE(fileBytes(toolFile(ParameterFileName)),
                 QByteArray("#####000000000001##4000##11000##1##3##2##52##1##1##1#\0", 54));
        auto window = openWindow();
        const UpgradeSettings& s = window->values().settings;
        QCOMPARE(s.chipFamily, 1);
        QCOMPARE(s.bootloadType, 1);
        QCOMPARE(s.baudRate, 3);
        QCOMPARE(s.parity, 2);
        QCOMPARE(s.frameDataLength, 1);
        QCOMPARE(s.moduleAddress, std::string("000000000001"));
        QCOMPARE(s.portNumber, 12);
        QVERIFY(backupGroupShown(*window));
    }

    void aDamagedParameterFileChangesNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two fields") << QByteArray("#a##b#");
        QTest::newRow("eleven fields") << QByteArray("#p##t##A##1##2##3##4##5##6##1##1");
        QTest::newRow("one byte") << QByteArray("#");
        QTest::newRow("field over 999") << QByteArray("#") + QByteArray(1000, 'x') + QByteArray("####A##1##2##3##4##5##6##1##1##1#");
    }
    void aDamagedParameterFileChangesNothing() {
        QFETCH(QByteArray, bytes);
        writeBytes(toolFile(ParameterFileName), bytes);
        auto window = openWindow();
        const UpgradeSettings defaults;
        QCOMPARE(window->values().settings.userOffsetHex, defaults.userOffsetHex);
        QCOMPARE(window->values().settings.moduleAddress, defaults.moduleAddress);
        QCOMPARE(window->values().settings.baudRate, defaults.baudRate);
        QCOMPARE(window->values().settings.chipFamily, defaults.chipFamily);
    }

    void theLastPathFileHasTheLastWord() {
        const QString hex = toolFile("prog.hex");
        writeBytes(hex, ":00000001FF\n");
        ParameterRecord record{"/elsewhere.hex", "old time", "AAAAAAAAAAAA", "1000", "12000", 3, 7, 0, 56, 0, 0, 0};
        QVERIFY(writeParameterFile(toolFile(ParameterFileName).toStdString(), record));
        // Written by hand with CR LF lines: every character of the path stays.
        writeBytes(toolFile(LastPathFileName), hex.toUtf8() + "\r\nstale\r\n");
        auto window = openWindow();
        QCOMPARE(child<QPlainTextEdit>(*window, "hexPathEdit")->toPlainText(), hex);
        QCOMPARE(child<QLabel>(*window, "hexTimeLabel")->text().toStdString(),
                 *modifiedTimeText(hex.toStdString()));
    }

    void aRememberedFileThatWasDeletedComesUpEmpty() {
        writeBytes(toolFile(LastPathFileName), toolFile("deleted.hex").toUtf8() + "\r\r\n最近修改时间:2026-01-01 00:00:00\r\r\n");
        auto window = openWindow();
        QCOMPARE(child<QPlainTextEdit>(*window, "hexPathEdit")->toPlainText(), QString());
        QCOMPARE(child<QLabel>(*window, "hexTimeLabel")->text(), QString());
    }

    void choosingAFileShowsItsTimeAndCancellingKeepsIt() {
        const QString hex = toolFile("chosen.hex");
        writeBytes(hex, ":00000001FF\n");
        auto window = openWindow();
        log_.chosenFile = hex;
        child<QPushButton>(*window, "chooseFileButton")->click();
        const QString time = QString::fromStdString(*modifiedTimeText(hex.toStdString()));
        QCOMPARE(child<QPlainTextEdit>(*window, "hexPathEdit")->toPlainText(), hex);
        QCOMPARE(child<QLabel>(*window, "hexTimeLabel")->text(), time);
        QFile::remove(toolFile(LastPathFileName));
        log_.chosenFile.clear();
        child<QPushButton>(*window, "chooseFileButton")->click();
        QCOMPARE(child<QPlainTextEdit>(*window, "hexPathEdit")->toPlainText(), hex);
        // A cancel still rewrites the remembered path.
        LastPath last;
        QVERIFY(readLastPathFile(tool_->path().toStdString() + "/", last));
        QCOMPARE(QString::fromStdString(last.hexPath), hex);
        QCOMPARE(QString::fromStdString(last.hexFileTimeText), time);
    }

    // During a run nothing may end the window; after the stop, closing works.
    void theCloseGuardHoldsForEveryWayOfClosingDuringARun() {
        auto window = openWindow();
        window->show();
        const QString hex = toolFile("prog.hex");
        writeBytes(hex, ":021000000102EB\n:00000001FF\n");
        child<QPlainTextEdit>(*window, "hexPathEdit")->setPlainText(hex);
        bool portOpenDuringRun = false;
        bool visibleAfterAttempts = false;
        QTimer::singleShot(300, window.get(), [&] {
            window->close();
            QTest::keyClick(window.get(), Qt::Key_Escape);
            child<QLineEdit>(*window, "userOffsetEdit")->setFocus();
            QTest::keyClick(child<QLineEdit>(*window, "userOffsetEdit"), Qt::Key_Return);
            // Dropping down the port list must not close the run's port.
            child<QComboBox>(*window, "portCombo")->showPopup();
            child<QComboBox>(*window, "portCombo")->hidePopup();
            portOpenDuringRun = isClosed(3) == 0;
            visibleAfterAttempts = window->isVisible();
            window->stopUpgrade();
        });
        window->runUpgrade();  // the handshake repeats unanswered until the stop
        QVERIFY(visibleAfterAttempts);
        QVERIFY(portOpenDuringRun);
        QCOMPARE(log_.messages.count(QStringLiteral("请停止升级，然后关闭软件")), 3);
        QVERIFY(!window->upgradeRunning());
        QCOMPARE(isClosed(3), 1);
        QVERIFY(child<LogPanel>(*window, "logPanel")->toPlainText().contains(QStringLiteral("暂停返回")));
        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(log_.messages.count(QStringLiteral("请停止升级，然后关闭软件")), 3);
    }
};

QTEST_MAIN(FlashwrightWindowTest)
#include "flashwright_window_test.moc"
