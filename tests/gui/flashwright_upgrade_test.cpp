// One whole upgrade in the Qt flashwright window against kqsim: the run
// hosted in the window through its view, the log, the result picture, the
// progress bar, the button caption and the flash the module ends up with.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include "gui/window_test_support.h"
#include "image/hex_image.h"
#include "link/serial_port.h"
#include "qt/log_panel.h"
#include "qt/upgrade_dialog.h"
#include "tool_files/last_path_file.h"

using namespace kq;
using namespace kq::testing;

namespace {

const QString SampleKq581x = QStringLiteral(KQ_SOURCE_DIR "/samples/demo_kq581x.hex");

template <typename T>
T* child(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (found == nullptr) qFatal("no control named %s", name);
    return found;
}

// The program bytes a HEX file holds from the user offset on.
QByteArray imageOf(const QString& hex) {
    auto image = std::make_unique<FirmwareImage>();
    const HexLoadInputs inputs{hex.toStdString(), "1000", Kq581x, LocalUpgrade, 56};
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

private slots:
    void aLocalUpgradeEndsWithTheTick() {
        SimModule module({QStringLiteral("--family"), QStringLiteral("251"), QStringLiteral("--mode"), QStringLiteral("boot")});
        QVERIFY(module.ready());
        PinnedPortsBackend ports({{1, module.link()}});
        QTemporaryDir tool;
        BoxLog boxes;
        boxes.fileAnswers = {SampleKq581x};
        UpgradeDialog window(fixedServices(tool.path()), recordingBoxes(boxes));
        child<QPushButton>(window, "chooseFileButton")->click();
        QCOMPARE(window.logic().values().settings.portNumber, 1);
        int progressSeen = -1;
        QObject::connect(child<QProgressBar>(window, "progressBar"), &QProgressBar::valueChanged,
                         [&](int value) { progressSeen = std::max(progressSeen, value); });
        child<QPushButton>(window, "upgradeButton")->click();

        const QString text = child<LogPanel>(window, "logPanel")->toPlainText();
        QVERIFY2(text.endsWith(QStringLiteral("升级成功\n")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("对接成功")));
        QCOMPARE(child<QLabel>(window, "statusPicture")->pixmap().size(), QSize(64, 61));
        QCOMPARE(child<QPushButton>(window, "upgradeButton")->text(), QStringLiteral("下载"));
        QVERIFY(progressSeen > 0);
        QCOMPARE(child<QProgressBar>(window, "progressBar")->value(), -1);  // empty again once idle
        QCOMPARE(isClosed(1), 1);
        QVERIFY(boxes.messages.isEmpty());
        // The load remembered the file.
        LastPath last;
        QVERIFY(readLastPathFile(toolFolderOf(tool.path()), last));
        QCOMPARE(QString::fromStdString(last.hexPath), SampleKq581x);

        module.stop();
        const QByteArray image = imageOf(SampleKq581x);
        QVERIFY(!image.isEmpty());
        QCOMPARE(fileBytes(module.dumpPath()).mid(0x1000, image.size()), image);
    }
};

QTEST_MAIN(FlashwrightUpgradeTest)
#include "flashwright_upgrade_test.moc"
