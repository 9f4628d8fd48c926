// hexsplice-screenshot: opens the hexsplice window, chooses a bootloader and
// a user-program HEX file in it and saves a picture of the window. For
// documentation; the README's picture is made with it.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

#include "qt/app_icon.h"
#include "qt/merge_dialog.h"

namespace {

constexpr const char* Usage =
    "usage: hexsplice-screenshot --boot FILE --user FILE --out PICTURE.png [--chip 251|arm]\n"
    "Chooses both HEX files in the hexsplice window and saves a picture of it.\n"
    "The remembered paths go to a temporary folder, not beside the program.\n";

struct Options {
    QString boot, user, out;
    int chip = 0;
};

bool parse(int argc, char* argv[], Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return false;
        if (i + 1 >= argc) return false;
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == "--boot") options.boot = value;
        else if (arg == "--user") options.user = value;
        else if (arg == "--out") options.out = value;
        else if (arg == "--chip") options.chip = value == QLatin1String("arm") ? 1 : 0;
        else return false;
    }
    return !options.boot.isEmpty() && !options.user.isEmpty() && !options.out.isEmpty();
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (!parse(argc, argv, options)) {
        const bool asked = argc > 1 && std::strcmp(argv[1], "--help") == 0;
        std::fputs(Usage, asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hexsplice"));
    QApplication::setWindowIcon(kq::hexspliceIcon());
    QTemporaryDir folder;
    kq::QtModalBoxes boxes;
    boxes.showMessage = [](QWidget*, const QString& text, kq::MessageIcon) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    };
    QStringList answers{QFileInfo(options.boot).absoluteFilePath(), QFileInfo(options.user).absoluteFilePath()};
    boxes.chooseHexFile = [&](QWidget*) { return answers.isEmpty() ? QString() : answers.takeFirst(); };
    kq::MergeDialog dialog(kq::ProgramFolders::oneFolder(QDir(folder.path()).absolutePath().toStdString() + "/"), boxes);
    dialog.show();

    int status = 1;
    QTimer::singleShot(300, &dialog, [&] {
        dialog.findChild<QComboBox*>(QStringLiteral("chipTypeCombo"))->setCurrentIndex(options.chip);
        dialog.logic().chooseBootFile();
        dialog.logic().chooseUserFile();
        QTimer::singleShot(300, &dialog, [&] {  // let the window repaint
            status = dialog.grab().save(options.out) ? 0 : 1;
            if (status != 0) std::fprintf(stderr, "hexsplice-screenshot: cannot write %s\n", qPrintable(options.out));
            dialog.done(0);
        });
    });
    dialog.exec();
    return status;
}
