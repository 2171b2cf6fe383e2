// The robustness benchmark's folder: large ordinary pictures and small hostile ones, each under
// 100 KB on disk, made with the tests' own fixture makers. `lumory-bench thumbs DIR --each`
// then times every one; bench/robustness.sh runs both and checks the bounds.

#include "BenchCommand.h"

#include "ImageFixtures.h"
#include "support/TestUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTextStream>

using namespace lmrimages;

LMR_BENCH_COMMAND(hostile, "hostile", "hostile OUT  -- writes the robustness benchmark's large and hostile files (each under 100 KB)")
{
    QTextStream out(stdout);
    if (args.isEmpty()) {
        out << "usage: lumory-bench hostile OUT\n";
        return 2;
    }
    const QDir dir(args.first());
    QDir().mkpath(dir.path());
    auto path = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    auto bytes = [&](const char *name, const QByteArray &data) { lmrtest::writeFile(path(name), data); };

    const QSize large(8000, 6000);      // 48 megapixels, as phones take them
    const QColor blue(40, 90, 200);
    bytes("large-48mp.png", pngBytes(large, 8, 3, {0}, {0}, {blue.rgb()}));
    bytes("large-48mp.tif", tiffBytes(large, blue.rgb(), true));
    QImage flat(large, QImage::Format_RGB32);
    flat.fill(blue);
    flat.save(path("large-48mp.webp"), "WEBP", 100);
    flat = QImage();

    const QSize bomb(16384, 16384);
    writeHeifDeclaring(path("declares-16384.avif"), bomb, true);
    writeHeifDeclaring(path("declares-16384.heic"), bomb, false);
    writeJxlCanvas(path("canvas-16384.jxl"), bomb);
    bytes("header-65500.jpg", jpegHeaderBytes(QSize(65500, 65500)));
    bytes("header-30000-progressive.jpg", jpegHeaderBytes(QSize(30000, 30000), true));
    bytes("header-12mp.jpg", jpegHeaderBytes(QSize(4000, 3000)));
    bytes("wide-2e9.svg", svgBytes(QStringLiteral("2000000000"), QStringLiteral("100"), Qt::red));
    bytes("wide-1e7x1.pdf", pdfBytes(QSizeF(1e7, 1), Qt::red));
    const QList<QRgb> redWhite = {qRgb(255, 0, 0), qRgb(255, 255, 255)};
    bytes("red-1bit.png", pngBytes(QSize(600, 400), 1, 3, {0}, {0}, redWhite));
    QImage mono(600, 400, QImage::Format_Mono);
    mono.setColorTable(redWhite);
    mono.fill(0);
    mono.save(path("red-1bit.bmp"), "BMP");

    int written = 0;
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files, QDir::Name)) {
        out << QStringLiteral("%1  %2 bytes\n").arg(info.fileName(), -30).arg(info.size());
        ++written;
    }
    return written > 0 ? 0 : 1;
}
