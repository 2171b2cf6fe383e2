// Writes the fuzz targets' seed corpus: for each target a folder of the pictures the tests make
// for that reader, with the tests' own fixture makers, so that fuzzing starts from every
// structure the program is known to read (orientations, previews, palettes, bit depths,
// extreme sizes, headers without data).
//
//   lumory-fuzz-seeds OUT      writes OUT/jpeg, OUT/png, ... OUT/video

#include "ImageFixtures.h"
#include "support/TestUtils.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdio>

using namespace lmrimages;

namespace {

QByteArray encodedSeed(const QImage &image, const char *format, int quality = -1, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumory-fuzz-seeds OUT\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir scratch;
    int written = 0;
    auto seed = [&](const char *target, const QString &name, const QByteArray &bytes) {
        if (bytes.isEmpty())
            return;
        lmrtest::writeFile(out.filePath(QStringLiteral("%1/%2").arg(QLatin1String(target), name)), bytes);
        ++written;
    };
    auto made = [&](const char *target, const QString &name, const std::function<bool(const QString &)> &make) {
        const QString path = scratch.filePath(name);
        if (make(path))
            seed(target, name, readFile(path));
    };

    const QImage picture = quadrants(64, 48);
    QImage mono(40, 24, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    QImage translucent = picture.convertToFormat(QImage::Format_ARGB32);
    translucent.fill(QColor(30, 160, 60, 128));

    seed("jpeg", "baseline.jpg", encodedSeed(picture, "jpeg", 90));
    seed("jpeg", "progressive.jpg", encodedSeed(picture, "jpeg", 90, true));
    seed("jpeg", "grey.jpg", encodedSeed(picture.convertToFormat(QImage::Format_Grayscale8), "jpeg"));
    seed("jpeg", "header-only.jpg", jpegHeaderBytes(QSize(4000, 3000)));
    seed("jpeg", "header-only-progressive.jpg", jpegHeaderBytes(QSize(300, 200), true));
    for (int orientation : {3, 6})
        made("jpeg", QStringLiteral("exif-%1.jpg").arg(orientation), [&](const QString &path) {
            return writeJpegWithExif(path, storedForOrientation(picture, orientation), orientation, quadrants(32, 24));
        });

    const QList<QRgb> palette = {qRgb(255, 0, 0), qRgb(255, 255, 255), qRgb(20, 160, 60), qRgb(30, 60, 200)};
    seed("png", "palette-1.png", pngBytes(QSize(40, 24), 1, 3, {0}, {1}, palette.mid(0, 2)));
    seed("png", "palette-2.png", pngBytes(QSize(40, 24), 2, 3, {2}, {3}, palette));
    seed("png", "grey-16.png", pngBytes(QSize(40, 24), 16, 0, {0x2828}, {0xDCDC}));
    seed("png", "grey-alpha.png", pngBytes(QSize(40, 24), 8, 4, {100, 255}, {200, 128}));
    seed("png", "rgba-16.png", pngBytes(QSize(40, 24), 16, 6, {1, 2, 3, 4}, {5, 6, 7, 8}));
    seed("png", "qt.png", encodedSeed(translucent, "png"));
    // The shared thumbnail cache's own reader of the common form of entries.
    seed("pngentry", "rgba.png", encodedSeed(translucent, "png"));
    seed("pngentry", "rgb.png", pngBytes(QSize(40, 24), 8, 2, {10, 20, 30}, {200, 100, 50}));
    // A 1 x 1 GIF: header, a two-colour table, one image with its LZW data.
    seed("gif", "pixel.gif", QByteArray::fromHex("4749463839610100010080000000000000ffffff2c00000000010001000002024401003b"));
    seed("webp", "lossy.webp", encodedSeed(picture, "webp", 50));
    seed("webp", "lossless.webp", encodedSeed(translucent, "webp", 100));
    seed("tiff", "rgb.tif", tiffBytes(QSize(40, 24), qRgb(40, 90, 200), false));
    seed("tiff", "palette.tif", tiffBytes(QSize(40, 24), qRgb(40, 90, 200), true));
    seed("tiff", "bilevel.tif", encodedSeed(mono, "tiff"));
    seed("tiff", "qt.tif", encodedSeed(picture, "tiff"));
    seed("bmp", "mono.bmp", encodedSeed(mono, "bmp"));
    seed("bmp", "rgb.bmp", encodedSeed(picture, "bmp"));
    seed("svg", "wide.svg", svgBytes(QStringLiteral("2000000000"), QStringLiteral("100"), Qt::red));
    seed("svg", "quadrants.svg", "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 160 120' width='160' height='120'>"
                                 "<rect width='80' height='60' fill='#dc1414'/><circle cx='120' cy='90' r='20' fill='blue'/>"
                                 "<text x='10' y='100'>Lumory</text></svg>");
    made("heif", "picture.heic", [&](const QString &path) { return writeHeif(path, picture, false); });
    made("heif", "picture.avif", [&](const QString &path) { return writeHeif(path, picture, true); });
    made("heif", "declares-16384.heic", [&](const QString &path) { return writeHeifDeclaring(path, QSize(16384, 16384), false); });
    made("jxl", "picture.jxl", [&](const QString &path) { return writeJxl(path, picture); });
    made("jxl", "canvas.jxl", [&](const QString &path) { return writeJxlCanvas(path, QSize(640, 480)); });
    made("raw", "camera.dng", [&](const QString &path) { return writeDng(path, QColor(200, 30, 160)); });
    made("pdf", "page.pdf", [&](const QString &path) { return writePdf(path, QSizeF(400, 300), picture); });
    seed("pdf", "wide.pdf", pdfBytes(QSizeF(1e7, 1), Qt::red));
    made("video", "clip.mp4", [&](const QString &path) { return writeVideo(path); });

    std::printf("%d seed files in %s\n", written, argv[1]);
    return written > 0 ? 0 : 1;
}
