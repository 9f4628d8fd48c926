// hexsplice-screenshot: opens the hexsplice window, chooses a bootloader and
// a user-program HEX file in it and saves a picture of the window. The
// remembered paths go to a temporary folder.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include "qt/app_icon.h"
#include "qt/merge_dialog.h"
#include "qt/tools/screenshot_support.h"

namespace {

constexpr const char* Program = "hexsplice-screenshot";
constexpr const char* Usage =
    "usage: hexsplice-screenshot --boot FILE --user FILE --out PICTURE.png [--chip 251|arm]\n"
    "Chooses both HEX files in the hexsplice window and saves a picture of it.\n"
    "The remembered paths go to a temporary folder, not beside the program.\n";
constexpr kq::KnownOption Options[] = {{"--boot"}, {"--user"}};

}  // namespace

int main(int argc, char* argv[]) {
    int exitStatus = 0;
    const auto command = kq::readScreenshotCommand(argc, argv, Options, Program, Usage, exitStatus);
    if (!command) return exitStatus;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hexsplice"));
    QApplication::setWindowIcon(kq::hexspliceIcon());
    QTemporaryDir folder;
    kq::QtModalBoxes boxes;
    boxes.showMessage = [](QWidget*, const QString& text, kq::MessageIcon) { kq::printMessage(text); };
    QStringList answers{QFileInfo(command->value("--boot")).absoluteFilePath(),
                        QFileInfo(command->value("--user")).absoluteFilePath()};
    boxes.chooseHexFile = [&](QWidget*) { return answers.isEmpty() ? QString() : answers.takeFirst(); };
    kq::MergeDialog dialog(kq::ProgramFolders::oneFolder(QDir(folder.path()).absolutePath().toStdString() + "/"), boxes);

    return kq::pictureAfter(dialog, command->out, Program, [&] {
        dialog.findChild<QComboBox*>(QStringLiteral("chipTypeCombo"))->setCurrentIndex(command->chip);
        dialog.logic().chooseBootFile();
        dialog.logic().chooseUserFile();
        return true;
    });
}
