// win32-art: writes the pictures of the Windows programs' resources from the
// same drawing code as the Qt windows, so both builds show one artwork:
//   flashwright.ico, hexsplice.ico   the program icons in several sizes
//   tick.bmp, cross.bmp, blank.bmp   the status pictures, 24 bits per pixel
// scripts/make_win32_art.sh runs it into win32/art/, where the files are kept
// (the cross build has no Qt to draw them with).
//   win32-art FOLDER
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <vector>

#include "qt/app_icon.h"
#include "qt/status_pictures.h"
#include "upgrade_window/upgrade_controls.h"

namespace {

constexpr int IconSizes[] = {16, 24, 32, 48, 64};  // pixels; the sizes Windows asks for at 100% to 200%
constexpr int IconDirBytes = 6;                    // ICONDIR
constexpr int IconEntryBytes = 16;                 // ICONDIRENTRY
constexpr int DibHeaderBytes = 40;                 // BITMAPINFOHEADER
constexpr int BmpFileHeaderBytes = 14;             // BITMAPFILEHEADER

void put16(QByteArray& out, int value) {
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value) {
    put16(out, int(value & 0xFFFF));
    put16(out, int(value >> 16));
}

void putDibHeader(QByteArray& out, int width, int height, int bitsPerPixel, quint32 imageBytes) {
    put32(out, DibHeaderBytes);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);  // planes
    put16(out, bitsPerPixel);
    put32(out, 0);  // BI_RGB
    put32(out, imageBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
}

// One icon image as an icon resource holds it: a 32-bit DIB of twice the
// height (colour rows bottom up, then the 1-bit transparency mask).
QByteArray iconImage(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    const int maskRowBytes = ((size + 31) / 32) * 4;
    QByteArray out;
    putDibHeader(out, size, size * 2, 32, quint32(size * size * 4 + maskRowBytes * size));
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const QRgb p = image.pixel(x, y);
            out.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p))).append(char(qAlpha(p)));
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskRowBytes, '\0');
        for (int x = 0; x < size; ++x)
            if (qAlpha(image.pixel(x, y)) == 0) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

QByteArray iconFile(QPixmap (*picture)(int size)) {
    std::vector<QByteArray> images;
    for (const int size : IconSizes) images.push_back(iconImage(picture(size).toImage()));
    QByteArray out;
    put16(out, 0);
    put16(out, 1);  // an icon
    put16(out, int(images.size()));
    quint32 offset = IconDirBytes + IconEntryBytes * quint32(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int size = IconSizes[i];
        out.append(char(size)).append(char(size)).append('\0').append('\0');
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, quint32(images[i].size()));
        put32(out, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images) out.append(image);
    return out;
}

// A 24-bit bitmap file (rows bottom up, each padded to four bytes).
QByteArray bitmapFile(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const int rowBytes = ((image.width() * 3 + 3) / 4) * 4;
    const quint32 pixelBytes = quint32(rowBytes * image.height());
    QByteArray out("BM");
    put32(out, BmpFileHeaderBytes + DibHeaderBytes + pixelBytes);
    put32(out, 0);
    put32(out, BmpFileHeaderBytes + DibHeaderBytes);
    putDibHeader(out, image.width(), image.height(), 24, pixelBytes);
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            row[x * 3] = char(qBlue(p));
            row[x * 3 + 1] = char(qGreen(p));
            row[x * 3 + 2] = char(qRed(p));
        }
        out.append(row);
    }
    return out;
}

bool save(const QDir& folder, const char* name, const QByteArray& bytes) {
    QFile file(folder.filePath(QLatin1String(name)));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) return true;
    std::fprintf(stderr, "win32-art: cannot write %s\n", qPrintable(file.fileName()));
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: win32-art FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    using namespace kq::upgrade_ids;
    const bool saved = save(folder, "flashwright.ico", iconFile(kq::flashwrightIconPixmap)) &&
                       save(folder, "hexsplice.ico", iconFile(kq::hexspliceIconPixmap)) &&
                       save(folder, "tick.bmp", bitmapFile(kq::statusPixmap(TickPicture).toImage())) &&
                       save(folder, "cross.bmp", bitmapFile(kq::statusPixmap(CrossPicture).toImage())) &&
                       save(folder, "blank.bmp", bitmapFile(kq::statusPixmap(BlankPicture).toImage()));
    return saved ? 0 : 1;
}
