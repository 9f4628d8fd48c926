// The windows of both programs as their texts see them: laid out in dialog
// units of their own font, set in one face, every caption and item fitting.
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "gui/window_test_support.h"
#include "gui/text_fit.h"
#include "qt/about_dialog.h"
#include "qt/dialog_units.h"
#include "qt/merge_dialog.h"
#include "qt/port_combo.h"
#include "qt/upgrade_dialog.h"

using namespace kq;
using namespace kq::testing;

class WindowTextTest : public QObject {
    Q_OBJECT

    QTemporaryDir tool_;
    BoxLog boxes_;
    SilentTerminal port12_;

    // Each window showing its longest texts: a two-digit port, the backup
    // group, a chosen file with its time, the sector and progress of a full image.
    std::unique_ptr<QWidget> openWindow(const QString& which) {
        const QString sample = QStringLiteral(KQ_SOURCE_DIR "/samples/demo_kq581x.hex");
        boxes_.fileAnswers = {sample, sample};
        if (which == QLatin1String("flashwright")) {
            auto window = std::make_unique<UpgradeDialog>(fixedServices(tool_.path()), recordingBoxes(boxes_));
            window->findChild<QComboBox*>(QStringLiteral("bootloadCombo"))->setCurrentIndex(1);
            window->logic().chooseHexFile();
            window->logic().setSectorLabel("第1024扇区");
            window->logic().reportProgress(1024, 1024);
            return window;
        }
        if (which == QLatin1String("hexsplice")) {
            auto window = std::make_unique<MergeDialog>(ProgramFolders::oneFolder(toolFolderOf(tool_.path())),
                                                        recordingBoxes(boxes_));
            window->logic().chooseBootFile();
            window->logic().chooseUserFile();
            return window;
        }
        return std::make_unique<AboutDialog>();
    }

private slots:
    void dialogUnitsRoundEachValueToTheNearestPixel() {
        QCOMPARE(DialogUnits(7, 15).rect(182, 56, 86, 27), QRect(319, 105, 151, 51));
        QCOMPARE(DialogUnits(6, 12).rect(1, 1, 3, 5), QRect(2, 2, 5, 8));  // halves round up
    }

    void eachWindowIsItsLayoutInItsOwnFontAndEveryTextFits_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<QSize>("layoutUnits");
        QTest::newRow("flashwright") << 9 << QSize(513, 365);
        QTest::newRow("hexsplice") << 10 << QSize(491, 285);
        QTest::newRow("about") << 10 << QSize(235, 55);
    }
    void eachWindowIsItsLayoutInItsOwnFontAndEveryTextFits() {
        QFETCH(QSize, layoutUnits);
        PinnedPortsBackend ports({{12, port12_.device()}});
        const std::unique_ptr<QWidget> window = openWindow(QString::fromLatin1(QTest::currentDataTag()));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        QTEST(window->font().pointSize(), "points");
        const DialogUnits dlu = DialogUnits::ofFont(window->font());
        QCOMPARE(window->size(), dlu.size(layoutUnits.width(), layoutUnits.height()));
        const QStringList misfits = textMisfits(*window, [](const QComboBox& combo, const QString& item) {
            return qobject_cast<const PortCombo*>(&combo) ? portNameOfItem(item) : item;
        });
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(WindowTextTest)
#include "window_text_test.moc"
