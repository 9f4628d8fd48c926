// flashwright-screenshot: opens the flashwright window, runs one upgrade on a
// chosen port with a chosen HEX file, and saves a picture of the window once
// the run has ended. For documentation; the README's picture is made with it.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

#include "qt/status_pictures.h"
#include "qt/upgrade_dialog.h"

namespace {

constexpr const char* Usage =
    "usage: flashwright-screenshot --port COMn --hex FILE --out PICTURE.png [--chip 251|arm]\n"
    "Runs one local upgrade in the flashwright window and saves a picture of it.\n"
    "Remembered files go to a temporary folder, not beside the program.\n";

struct Options {
    QString port, hex, out;
    int chip = 0;
};

bool parse(int argc, char* argv[], Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return false;
        if (i + 1 >= argc) return false;
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == "--port") options.port = value;
        else if (arg == "--hex") options.hex = value;
        else if (arg == "--out") options.out = value;
        else if (arg == "--chip") options.chip = value == QLatin1String("arm") ? 1 : 0;
        else return false;
    }
    return !options.port.isEmpty() && !options.hex.isEmpty() && !options.out.isEmpty();
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(Usage, argc > 1 && std::strcmp(argv[1], "--help") == 0 ? stdout : stderr);
        return argc > 1 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("flashwright"));
    QApplication::setWindowIcon(kq::flashwrightIcon());
    QTemporaryDir folder;
    auto services = kq::UpgradeWindowServices::standard();
    services.folders = kq::ProgramFolders::oneFolder(QDir(folder.path()).absolutePath().toStdString() + "/");
    auto boxes = kq::QtModalBoxes::standard(kq::programTitle());
    boxes.showMessage = [](QWidget*, const QString& text, kq::MessageIcon) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    };
    boxes.chooseHexFile = [&](QWidget*) { return QFileInfo(options.hex).absoluteFilePath(); };
    kq::UpgradeDialog dialog(services, boxes);
    dialog.show();

    int status = 1;
    QTimer::singleShot(300, &dialog, [&] {
        auto* ports = dialog.findChild<QComboBox*>(QStringLiteral("portCombo"));
        const int item = ports->findText(options.port.startsWith(QLatin1String("COM")) && options.port.size() == 4
                                             ? QStringLiteral("COM %1").arg(options.port.mid(3))
                                             : options.port,
                                         Qt::MatchStartsWith);
        if (item < 0) {
            std::fprintf(stderr, "flashwright-screenshot: %s is not in the port list\n", qPrintable(options.port));
            dialog.done(0);
            return;
        }
        ports->setCurrentIndex(item);
        emit ports->activated(item);
        dialog.findChild<QComboBox*>(QStringLiteral("chipCombo"))->setCurrentIndex(options.chip);
        dialog.logic().chooseHexFile();
        dialog.logic().runUpgrade();
        QTimer::singleShot(300, &dialog, [&] {  // let the log scroll and repaint
            status = dialog.grab().save(options.out) ? 0 : 1;
            if (status != 0) std::fprintf(stderr, "flashwright-screenshot: cannot write %s\n", qPrintable(options.out));
            dialog.done(0);
        });
    });
    dialog.exec();
    return status;
}
