// Thumbnail rendering as the loading workers do it: N threads taking one file after another
// from a shared list, through LMRFileSystemImageItem::loadThumbnailForCollectionView. Each
// thumbnail leaves the cache once made, so that every file really renders and the peak memory
// printed is the renderers' own, above an empty cache. The shared thumbnail cache on disk is
// left out: this measures rendering. With --each, one thread asks every file for its thumbnail
// and then its viewer image, and prints the time and peak memory of each (bench/robustness.sh).
//
// jpegfloor decodes the same JPEGs with libjpeg-turbo alone at the DCT scale a scaled
// QImageReader would choose, plus the final resize: the floor any JPEG thumbnailer pays.

#include "BenchCommand.h"

#include "model/Cache.h"
#include "model/FileSystemImageItem.h"
#include "platform/ImageSource.h"
#include "prefs/Preferences.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTextStream>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#if __has_include(<jpeglib.h>)
#include <cstdio>
#include <jpeglib.h>
#define BENCH_HAVE_LIBJPEG 1
#endif

namespace {

struct Tally
{
    int files = 0;
    int rendered = 0;
    qint64 nanoseconds = 0;
};

struct Grid : LMRThumbnailSizeSource
{
    qint64 size = 288;
    qint64 itemSize() const override { return size; }
};

qint64 statusBytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

// Writing 5 to clear_refs starts the kernel's peak resident size (VmHWM) again from the current
// size, so that each file gets a peak of its own.
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

int timeEachFile(const std::vector<std::unique_ptr<LMRFileSystemImageItem>> &items, const Grid &grid)
{
    QTextStream out(stdout);
    LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
    out << "decode budget " << LMRImageSource::decodeByteBudget() / 1048576 << " MB\n";
    for (const auto &item : items) {
        cache.removeAllObjects();
        const qint64 start = statusBytes("VmRSS:");
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        const bool rendered = item->loadThumbnailForCollectionView(&grid);
        const qint64 thumbnailNs = timer.nsecsElapsed();
        timer.restart();
        const LMRImage full = item->fullSizeImage();
        const qint64 viewerNs = timer.nsecsElapsed();
        const char *outcome = rendered ? "thumbnail" : item->isTooLargeToDecode() ? "refused, too large" : "no thumbnail";
        out << QStringLiteral("%1  thumbnail ms %2  viewer ms %3  peak MB above start %4  %5%6\n")
                   .arg(item->path().section('/', -1), -28)
                   .arg(thumbnailNs / 1e6, 8, 'f', 1).arg(viewerNs / 1e6, 8, 'f', 1)
                   .arg((statusBytes("VmHWM:") - start) / 1048576.0, 7, 'f', 1)
                   .arg(QLatin1String(outcome), full.isValid() ? QStringLiteral(", viewer image") : QString());
        out.flush();
    }
    cache.removeAllObjects();
    return 0;
}

qint64 currentResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

QStringList filesOf(const QString &folder)
{
    QStringList files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        files.append(dir.absoluteFilePath(name));
    return files;
}

bool parseNumber(const QStringList &args, const QString &option, qint64 *value)
{
    const qsizetype at = args.indexOf(option);
    if (at < 0)
        return true;
    bool ok = false;
    *value = at + 1 < args.size() ? args.at(at + 1).toLongLong(&ok) : 0;
    return ok && *value > 0;
}

bool parseSize(const QStringList &args, qint64 *size)
{
    const qsizetype at = args.indexOf(QStringLiteral("--size"));
    if (at < 0)
        return true;
    bool ok = false;
    *size = at + 1 < args.size() ? args.at(at + 1).toLongLong(&ok) : 0;
    return ok && *size > 0;
}

} // namespace

LMR_BENCH_COMMAND(thumbs, "thumbs", "thumbs DIR [--size S] [--hq] [--workers N] [--each]  -- renders every file's thumbnail on N threads (1); files/s per format and in all, peak memory (--each: thumbnail and viewer image of every file, time and peak memory of each)")
{
    QTextStream out(stdout);
    Grid grid;
    qint64 workers = 1;
    if (args.isEmpty() || !parseSize(args, &grid.size) || !parseNumber(args, QStringLiteral("--workers"), &workers)) {
        out << "usage: lumory-bench thumbs DIR [--size S] [--hq] [--workers N] [--each]\n";
        return 2;
    }
    const bool highQuality = args.contains(QStringLiteral("--hq"));
    LMRImageSource::initialize();
    Preferences::sharedInstance().setHighQualityThumbnails(highQuality);
    Preferences::sharedInstance().setDiskThumbnails(false);
    LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
    cache.removeAllObjects();

    // Items made before the clock starts: listing is measured elsewhere.
    std::vector<std::unique_ptr<LMRFileSystemImageItem>> items;
    for (const QString &path : filesOf(args.first())) {
        auto item = std::make_unique<LMRFileSystemImageItem>(path);
        const QString type = item->UTI();
        if (LMRImageSource::canRead(type) || type.startsWith(QLatin1String("video/")))
            items.push_back(std::move(item));
    }
    if (args.contains(QStringLiteral("--each")))
        return timeEachFile(items, grid);

    std::map<QString, Tally> byFormat;
    std::mutex tallyLock;
    std::atomic<size_t> next{0};
    const qint64 baseline = currentResidentBytes();
    QElapsedTimer wall;
    wall.start();
    auto work = [&] {
        for (size_t i = next++; i < items.size(); i = next++) {
            LMRFileSystemImageItem &item = *items[i];
            QElapsedTimer timer;
            timer.start();
            const bool rendered = item.loadThumbnailForCollectionView(&grid);
            const qint64 elapsed = timer.nsecsElapsed();
            cache.removeObjectWithKeyEqualTo(item.thumbnailKey(grid.size));
            std::lock_guard<std::mutex> guard(tallyLock);
            Tally &tally = byFormat[item.UTI()];
            tally.files++;
            tally.rendered += rendered ? 1 : 0;
            tally.nanoseconds += elapsed;
        }
    };
    std::vector<std::thread> threads;
    for (qint64 t = 1; t < workers; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
    const qint64 wallNs = wall.nsecsElapsed();
    cache.removeAllObjects();

    out << "thumbs " << args.first() << " size " << grid.size << (highQuality ? " high-quality" : " default")
        << " workers " << workers << "\n";
    int files = 0;
    for (const auto &[type, tally] : byFormat) {
        const double ms = tally.nanoseconds / 1e6 / qMax(1, tally.files);
        files += tally.files;
        // Per file on its worker's thread; with several workers the wall-clock figure is below.
        out << QStringLiteral("%1  files %2  rendered %3  ms/file %4  files/s %5\n")
                   .arg(type, -22).arg(tally.files).arg(tally.rendered)
                   .arg(ms, 0, 'f', 3).arg(ms > 0 ? 1000.0 / ms : 0.0, 0, 'f', 1);
    }
    out << QStringLiteral("all  files %1  wall %2 s  files/s %3\n")
               .arg(files).arg(wallNs / 1e9, 0, 'f', 3).arg(wallNs > 0 ? files / (wallNs / 1e9) : 0.0, 0, 'f', 1);
    out << QStringLiteral("peak RSS %1 MB, %2 MB above the start (empty cache)\n")
               .arg(lmrbench::peakResidentBytes() / 1048576.0, 0, 'f', 1)
               .arg((lmrbench::peakResidentBytes() - baseline) / 1048576.0, 0, 'f', 1);
    return 0;
}

LMR_BENCH_COMMAND(jpegfloor, "jpegfloor", "jpegfloor DIR [--size S]  -- libjpeg-turbo alone at the DCT scale Qt's scaled reader picks, plus the resize")
{
    QTextStream out(stdout);
    qint64 size = 288;
    if (args.isEmpty() || !parseSize(args, &size)) {
        out << "usage: lumory-bench jpegfloor DIR [--size S]\n";
        return 2;
    }
#if BENCH_HAVE_LIBJPEG
    int files = 0;
    qint64 nanoseconds = 0;
    for (const QString &path : filesOf(args.first())) {
        if (!path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) && !path.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive))
            continue;
        QElapsedTimer timer;
        timer.start();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()), data.size());
        jpeg_read_header(&cinfo, TRUE);
        const double scale = double(size) / qMax(cinfo.image_width, cinfo.image_height);
        const int tw = qMax(1, int(cinfo.image_width * scale + 0.5)), th = qMax(1, int(cinfo.image_height * scale + 0.5));
        unsigned denominator = 1;
        for (unsigned d : {8u, 4u, 2u})
            if (int(cinfo.image_width / d) >= tw && int(cinfo.image_height / d) >= th) {
                denominator = d;
                break;
            }
        cinfo.scale_num = 1;
        cinfo.scale_denom = denominator;
        cinfo.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&cinfo);
        QImage image(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[16];
            const int line = int(cinfo.output_scanline), n = qMin(16, image.height() - line);
            for (int i = 0; i < n; ++i)
                rows[i] = image.scanLine(line + i);
            jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n));
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        const QImage thumbnail = image.scaled(tw, th, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        nanoseconds += timer.nsecsElapsed();
        files += thumbnail.isNull() ? 0 : 1;
    }
    const double ms = nanoseconds / 1e6 / qMax(1, files);
    out << QStringLiteral("jpegfloor %1 size %2  files %3  ms/file %4  files/s %5\n")
               .arg(args.first()).arg(size).arg(files).arg(ms, 0, 'f', 3).arg(ms > 0 ? 1000.0 / ms : 0.0, 0, 'f', 1);
    return 0;
#else
    out << "jpegfloor: built without libjpeg\n";
    return 1;
#endif
}

LMR_BENCH_COMMAND(makepdfs, "makepdfs", "makepdfs OUT [N]  -- writes N A4 PDFs (text, shapes and a photo-sized picture) to compare PDF thumbnails")
{
    QTextStream out(stdout);
    if (args.isEmpty()) {
        out << "usage: lumory-bench makepdfs OUT [N]\n";
        return 2;
    }
    const int count = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 20;
    QDir().mkpath(args.first());
    for (int i = 0; i < count; ++i) {
        QPdfWriter writer(QDir(args.first()).filePath(QStringLiteral("scan %1.pdf").arg(i + 1)));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        QPainter painter(&writer);
        QImage picture(1200, 800, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb((x * 255 / 1200 + i * 40) % 256, y * 255 / 800, (x ^ y) & 0xFF));
        painter.drawImage(QRectF(40, 40, 515, 343), picture);
        painter.setFont(QFont(QStringLiteral("Sans"), 10));
        for (int line = 0; line < 30; ++line)
            painter.drawText(QPointF(40, 420 + line * 13),
                             QStringLiteral("Page %1, line %2: the quick brown fox jumps over the lazy dog.").arg(i + 1).arg(line + 1));
        painter.setPen(QPen(Qt::darkBlue, 2));
        for (int c = 0; c < 8; ++c)
            painter.drawEllipse(QPointF(100 + c * 55, 820), 20, 12);
    }
    out << "wrote " << count << " PDFs to " << args.first() << "\n";
    return 0;
}
