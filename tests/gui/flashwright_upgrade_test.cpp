// Whole upgrades in the flashwright window against kqsim: the run hosted in
// the window, its log, the result picture, the progress bar and the flash
// the module ends up with.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "gui/flashwright_test_support.h"
#include "image/hex_image.h"
#include "link/serial_port.h"
#include "tool_files/last_path_file.h"
#include "qt/log_panel.h"
#include "qt/upgrade_dialog.h"

using namespace kq;
using namespace kq::testing;

namespace {

const QString SampleKq581x = QStringLiteral(KQ_SOURCE_DIR "/samples/demo_kq581x.hex");
const QString SampleKq58xx = QStringLiteral(KQ_SOURCE_DIR "/samples/demo_kq58xx.hex");

template <typename T>
T* child(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (found == nullptr) qFatal("no control named %s", name);
    return found;
}

// The program bytes a HEX file holds from the user offset on.
QByteArray imageOf(const QString& hex, int chip) {
    auto image = std::make_unique<FirmwareImage>();
    const HexLoadInputs inputs{hex.toStdString(), chip == 0 ? "1000" : "4000", chip, LocalUpgrade, 56};
    if (loadHexImage(inputs, *image, [](std::string_view) {}) != 0) return {};
    return QByteArray(reinterpret_cast<const char*>(image->imageBytes.data()), image->imageLength);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class FlashwrightUpgradeTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tool_;
    ServiceLog log_;

    // A window on the ports installed by the test (COM 1: the module).
    std::unique_ptr<UpgradeDialog> windowOn(int chip, int type, const QString& hex) {
        auto window = std::make_unique<UpgradeDialog>(recordingServices(log_, tool_->path()));
        child<QComboBox>(*window, "chipCombo")->setCurrentIndex(chip);
        child<QComboBox>(*window, "bootloadCombo")->setCurrentIndex(type);
        log_.chosenFile = hex;
        child<QPushButton>(*window, "chooseFileButton")->click();
        return window;
    }
    QString logText(const UpgradeDialog& window) const {
        return child<LogPanel>(window, "logPanel")->toPlainText();
    }

private slots:
    void init() {
        tool_ = std::make_unique<QTemporaryDir>();
        log_ = ServiceLog{};
    }

    void aLocalUpgradeEndsWithTheTick() {
        SimModule module({QStringLiteral("--family"), QStringLiteral("251"), QStringLiteral("--mode"), QStringLiteral("boot")});
        QVERIFY(module.ready());
        PinnedPortsBackend ports({{1, module.link()}});
        auto window = windowOn(0, 0, SampleKq581x);
        QCOMPARE(window->values().settings.portNumber, 1);
        int progressSeen = -1;
        QObject::connect(child<QProgressBar>(*window, "progressBar"), &QProgressBar::valueChanged,
                         [&](int value) { progressSeen = std::max(progressSeen, value); });
        child<QPushButton>(*window, "upgradeButton")->click();

        const QString text = logText(*window);
        QVERIFY2(text.endsWith(QStringLiteral("升级成功\n")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("对接成功")));
        QCOMPARE(child<QLabel>(*window, "statusPicture")->pixmap().size(), QSize(64, 61));
        QCOMPARE(child<QPushButton>(*window, "upgradeButton")->text(), QStringLiteral("下载"));
        QVERIFY(progressSeen > 0);
        QCOMPARE(child<QProgressBar>(*window, "progressBar")->value(), -1);  // empty again once idle
        QCOMPARE(isClosed(1), 1);
        QVERIFY(log_.messages.isEmpty());
        // The load remembered the file.
        LastPath last;
        QVERIFY(readLastPathFile(tool_->path().toStdString() + "/", last));
        QCOMPARE(QString::fromStdString(last.hexPath), SampleKq581x);

        module.stop();
        const QByteArray image = imageOf(SampleKq581x, 0);
        QVERIFY(!image.isEmpty());
        QCOMPARE(fileBytes(module.dumpPath()).mid(0x1000, image.size()), image);
    }

    void aRemoteUpgradeWithBackupEndsWithTheTick() {
        SimModule module({QStringLiteral("--family"), QStringLiteral("arm"), QStringLiteral("--mode"), QStringLiteral("app")});
        QVERIFY(module.ready());
        PinnedPortsBackend ports({{1, module.link()}});
        auto window = windowOn(1, 1, SampleKq58xx);
        QCOMPARE(window->values().settings.upgradeOffsetHex, std::string("11000"));
        child<QComboBox>(*window, "frameCombo")->setCurrentIndex(2);  // 256 bytes per frame
        child<QPushButton>(*window, "upgradeButton")->click();

        const QString text = logText(*window);
        QVERIFY2(text.endsWith(QStringLiteral("升级成功\n")), qPrintable(text));
        QCOMPARE(child<QLabel>(*window, "statusPicture")->pixmap().size(), QSize(64, 61));
        QCOMPARE(isClosed(1), 1);
    }

    void aRefusedEraseEndsWithTheCrossAndAPressAfterwardsStartsAfresh() {
        SimModule module({QStringLiteral("--family"), QStringLiteral("251"), QStringLiteral("--error-bit"),
                          QStringLiteral("erase-all:2")});
        QVERIFY(module.ready());
        PinnedPortsBackend ports({{1, module.link()}});
        auto window = windowOn(0, 0, SampleKq581x);
        child<QPushButton>(*window, "upgradeButton")->click();
        QVERIFY2(logText(*window).contains(QStringLiteral("擦除失败")), qPrintable(logText(*window)));
        QCOMPARE(child<QLabel>(*window, "statusPicture")->pixmap().size(), QSize(64, 60));
        QCOMPARE(isClosed(1), 1);
        // The module refuses no more: the next press succeeds and blanks the cross first.
        child<QPushButton>(*window, "upgradeButton")->click();
        QVERIFY2(logText(*window).endsWith(QStringLiteral("升级成功\n")), qPrintable(logText(*window)));
        QCOMPARE(child<QLabel>(*window, "statusPicture")->pixmap().size(), QSize(64, 61));
    }

    void aMissingFileIsReportedByTheLoaderAndKeepsTheTimeText() {
        SimModule module({QStringLiteral("--family"), QStringLiteral("251")});
        QVERIFY(module.ready());
        PinnedPortsBackend ports({{1, module.link()}});
        auto window = windowOn(0, 0, SampleKq581x);
        const QString time = child<QLabel>(*window, "hexTimeLabel")->text();
        QVERIFY(!time.isEmpty());
        child<QPlainTextEdit>(*window, "hexPathEdit")->setPlainText(tool_->filePath(QStringLiteral("typed.hex")));
        child<QPushButton>(*window, "upgradeButton")->click();
        QCOMPARE(log_.messages, QStringList{QStringLiteral(".hex 不存在!")});
        QCOMPARE(child<QLabel>(*window, "hexTimeLabel")->text(), time);
        QCOMPARE(child<QLabel>(*window, "statusPicture")->pixmap().size(), QSize(20, 20));
        QCOMPARE(isClosed(1), 1);
    }
};

QTEST_MAIN(FlashwrightUpgradeTest)
#include "flashwright_upgrade_test.moc"
