// kq-icon-files: writes the drawn application icons as PNG files for the
// icon theme, at build time (cmake/linux_install.cmake):
//
//   kq-icon-files OUT_FOLDER
//
// makes OUT_FOLDER/<n>x<n>/flashwright.png and hexsplice.png for every size n
// of an installed icon. Exit status 0, or 1 when a file could not be written.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

#include "qt/app_icon.h"
#include "qt/status_pictures.h"

namespace {

constexpr int IconSizes[] = {16, 24, 32, 48, 64, 128, 256};  // pixels, the theme's usual sizes

struct Icon {
    const char* name;
    QPixmap (*picture)(int size);
};
constexpr Icon Icons[] = {{"flashwright", kq::flashwrightIconPixmap}, {"hexsplice", kq::hexspliceIconPixmap}};

}  // namespace

int main(int argc, char* argv[]) {
    // Pixmaps need a GUI application, which needs no display when offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("Usage: kq-icon-files OUT_FOLDER\n", stderr);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const int size : IconSizes) {
        const QString folder = QStringLiteral("%1x%1").arg(size);
        if (!out.mkpath(folder)) {
            std::fprintf(stderr, "kq-icon-files: cannot create %s\n", qPrintable(out.filePath(folder)));
            return 1;
        }
        for (const Icon& icon : Icons) {
            const QString file = out.filePath(folder + QStringLiteral("/%1.png").arg(QLatin1String(icon.name)));
            if (!icon.picture(size).save(file, "PNG")) {
                std::fprintf(stderr, "kq-icon-files: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
