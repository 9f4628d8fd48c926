// flashwright-screenshot: opens the flashwright window, runs one upgrade on a
// chosen port with a chosen HEX file, and saves a picture of the window once
// the run has ended. Remembered files go to a temporary folder.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include "qt/status_pictures.h"
#include "qt/tools/screenshot_support.h"
#include "qt/upgrade_dialog.h"

namespace {

constexpr const char* Program = "flashwright-screenshot";
constexpr const char* Usage =
    "usage: flashwright-screenshot --port COMn --hex FILE --out PICTURE.png [--chip 251|arm]\n"
    "Runs one local upgrade in the flashwright window and saves a picture of it.\n"
    "Remembered files go to a temporary folder, not beside the program.\n";
constexpr kq::KnownOption Options[] = {{"--port"}, {"--hex"}};

// The port box item of a "COMn" or device name.
QString portItemPrefix(const QString& port) {
    const bool comName = port.startsWith(QLatin1String("COM")) && port.size() == 4;
    return comName ? QStringLiteral("COM %1").arg(port.mid(3)) : port;
}

}  // namespace

int main(int argc, char* argv[]) {
    int exitStatus = 0;
    const auto command = kq::readScreenshotCommand(argc, argv, Options, Program, Usage, exitStatus);
    if (!command) return exitStatus;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("flashwright"));
    QApplication::setWindowIcon(kq::flashwrightIcon());
    QTemporaryDir folder;
    auto services = kq::UpgradeWindowServices::standard();
    services.folders = kq::ProgramFolders::oneFolder(QDir(folder.path()).absolutePath().toStdString() + "/");
    auto boxes = kq::QtModalBoxes::standard(kq::programTitle());
    boxes.showMessage = [](QWidget*, const QString& text, kq::MessageIcon) { kq::printMessage(text); };
    const QString hex = QFileInfo(command->value("--hex")).absoluteFilePath();
    boxes.chooseHexFile = [&](QWidget*) { return hex; };
    kq::UpgradeDialog dialog(services, boxes);

    return kq::pictureAfter(dialog, command->out, Program, [&] {
        const QString port = command->value("--port");
        auto* ports = dialog.findChild<QComboBox*>(QStringLiteral("portCombo"));
        const int item = ports->findText(portItemPrefix(port), Qt::MatchStartsWith);
        if (item < 0) {
            std::fprintf(stderr, "%s: %s is not in the port list\n", Program, qPrintable(port));
            return false;
        }
        ports->setCurrentIndex(item);
        emit ports->activated(item);
        dialog.findChild<QComboBox*>(QStringLiteral("chipCombo"))->setCurrentIndex(command->chip);
        dialog.logic().chooseHexFile();
        dialog.logic().runUpgrade();
        return true;
    });
}
