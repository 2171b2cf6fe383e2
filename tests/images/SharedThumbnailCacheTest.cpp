// The desktop's shared thumbnail cache: the names and texts other programs expect, what makes an
// entry valid, the fail entries, and that a reader never meets half a file.

#include "ImagesTestSupport.h"

#include "model/FileSystemImageItem.h"
#include "platform/PngEntryReader.h"
#include "platform/SharedThumbnailCache.h"

#include <sys/stat.h>
#include <utime.h>

namespace {

LMRSharedThumbnailCache &shared() { return LMRSharedThumbnailCache::sharedInstance(); }

// A PNG with plain tEXt chunks, written here without the program's encoder, as the thumbnail
// standard describes one.
QByteArray pngToTheLetter(const QImage &image, const QList<QPair<QByteArray, QByteArray>> &texts)
{
    QByteArray png = encoded(image, "PNG");
    for (const auto &[key, value] : texts)
        png.insert(33, pngChunk("tEXt", key + '\0' + value));     // after the signature and IHDR
    return png;
}

// A PNG as Qt's own writer makes one (longer texts compressed), as another program may.
QByteArray pngFromQt(QImage image, const QList<QPair<QByteArray, QByteArray>> &texts)
{
    for (const auto &[key, value] : texts)
        image.setText(QString::fromLatin1(key), QString::fromLatin1(value));
    return encoded(image, "PNG");
}

// An 8-bit RGB or RGBA PNG of noise whose row y is stored with filter y % 5, so that every
// filter is met (or says it is stored with filterByte), written byte by byte.
QByteArray pngWithEveryFilter(QSize size, int channels, int filterByte = -1)
{
    const qsizetype stride = qsizetype(size.width()) * channels;
    QByteArray raw, previous(stride, '\0');
    quint32 seed = 7;
    for (int y = 0; y < size.height(); ++y) {
        QByteArray row(stride, '\0');
        for (char &byte : row)
            byte = char((seed = seed * 1103515245u + 12345u) >> 24);
        const int filter = y % 5;
        raw.append(char(filterByte >= 0 ? filterByte : filter));
        for (qsizetype i = 0; i < stride; ++i) {
            const int a = i >= channels ? quint8(row[i - channels]) : 0, b = quint8(previous[i]);
            const int c = i >= channels ? quint8(previous[i - channels]) : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictor[] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : (pb <= pc ? b : c)};
            raw.append(char(quint8(row[i]) - predictor[filter]));
        }
        previous = row;
    }
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(size.width()), header.data());
    qToBigEndian<quint32>(quint32(size.height()), header.data() + 4);
    header[8] = 8;
    header[9] = char(channels == 3 ? 2 : 6);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", qCompress(raw).mid(4))
        + pngChunk("IEND", {});
}

struct stat statOf(const QString &path)
{
    struct stat info{};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

void setMtime(const QString &path, qint64 seconds)
{
    const utimbuf times{time_t(seconds), time_t(seconds)};
    ::utime(QFile::encodeName(path).constData(), &times);
}

} // namespace

class SharedThumbnailCacheTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private:
    QString m_root;

    QString folder(const QString &name) const
    {
        QDir().mkpath(file(name));
        return file(name);
    }

private slots:
    void init()
    {
        // Each case has a cache folder of its own, as a private XDG_CACHE_HOME would give.
        m_root = file(QStringLiteral("cache-%1/thumbnails").arg(QTest::currentTestFunction()));
        shared().setRootPath(m_root);
        imagestest::startFresh();
    }

    // The URI every program derives the same name from: bytes escaped as the desktop does, the
    // MD5 of the URI in lower-case hex.
    void naming_data()
    {
        lmrtest::columns<QString, QByteArray, QString>({"path", "uri", "md5"});
        QTest::newRow("space") << "/tmp/a b.jpg" << QByteArray("file:///tmp/a%20b.jpg")
                               << "45f1b47640b52dc5428fd58ac89fec15";
        QTest::newRow("non-ASCII") << QString::fromUtf8("/home/u/Bilder/über München.png")
                                   << QByteArray("file:///home/u/Bilder/%C3%BCber%20M%C3%BCnchen.png")
                                   << "c015dbf0c8d0778a9a8dd2c1b2d14584";
        QTest::newRow("kept and escaped marks") << "/x/!$&'()*+,-.:=@_~#?%;[].png"
                                                << QByteArray("file:///x/!$&'()*+,-.:=@_~%23%3F%25%3B%5B%5D.png")
                                                << "00b51ad3323ad06f29ace93779c9c608";
    }
    void naming()
    {
        QFETCH(QString, path);
        QFETCH(QString, md5);
        QTEST(LMRSharedThumbnailCache::fileURI(path), "uri");
        QCOMPARE(LMRSharedThumbnailCache::entryName(path), md5 + ".png");
    }

    // What the desktop itself reads: GLib names Lumory's thumbnail of each file and calls it
    // valid. Files and folders of the cache are the user's alone.
    void desktopAcceptsWrittenThumbnails_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "plain.png";
        QTest::newRow("space") << "with space.png";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Ünïcödé ñ.png");
    }
    void desktopAcceptsWrittenThumbnails()
    {
        QFETCH(QString, name);
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        if (gio.isEmpty())
            QSKIP("the gio tool (libglib2.0-bin) is missing");
        const QString path = folder(QStringLiteral("photos %1").arg(QTest::currentDataTag())) + '/' + name;
        QVERIFY(quadrants(640, 400).save(path));
        LMRFileSystemImageItem item(path);
        QVERIFY(!imagestest::loadedThumbnail(item, 192).isNull());
        QVERIFY(shared().waitForPendingWrites(10000));

        const QString entry = shared().entryPath(path, 256);
        QVERIFY2(QFile::exists(entry), qPrintable(entry));
        QCOMPARE(QImageReader(entry).size(), QSize(256, 160));
        QCOMPARE(int(statOf(entry).st_mode & 0777), 0600);
        QCOMPARE(int(statOf(QFileInfo(entry).path()).st_mode & 0777), 0700);
        QCOMPARE(int(statOf(m_root).st_mode & 0777), 0700);

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), QFileInfo(m_root).path());
        process.setProcessEnvironment(environment);
        process.start(gio, {"info", "-a", "thumbnail::path,thumbnail::is-valid", path});
        QVERIFY(process.waitForFinished(20000));
        const QString answer = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(answer.contains("thumbnail::path: " + entry), qPrintable(answer));
        QVERIFY2(answer.contains("thumbnail::is-valid: TRUE"), qPrintable(answer));
    }

    // An entry is used without decoding the file (which here does not decode at all) only while
    // it names the file and the file has its time and size. Entries of other programs, with
    // compressed texts, count the same.
    void entryValidity_data()
    {
        lmrtest::columns<bool, int, qint64, bool, bool, bool>(
            {"qtWriter", "mtimeShift", "sizeShift", "otherURI", "diskOn", "used"});
        QTest::newRow("to the letter") << false << 0 << qint64(0) << false << true << true;
        QTest::newRow("written by another program") << true << 0 << qint64(0) << false << true << true;
        QTest::newRow("file touched since") << false << 5 << qint64(0) << false << true << false;
        QTest::newRow("size differs") << false << 0 << qint64(1) << false << true << false;
        QTest::newRow("another file's URI") << false << 0 << qint64(0) << true << true << false;
        QTest::newRow("disk thumbnails off") << false << 0 << qint64(0) << false << false << false;
    }
    void entryValidity()
    {
        QFETCH(bool, qtWriter);
        QFETCH(int, mtimeShift);
        QFETCH(qint64, sizeShift);
        QFETCH(bool, otherURI);
        QFETCH(bool, diskOn);
        QFETCH(bool, used);
        // Blue in the file, red in the entry: the thumbnail shows which one was read.
        const QString path = folder(QString("validity %1").arg(QTest::currentDataTag())) + "/picture.png";
        QVERIFY(filled(QSize(400, 300), Qt::blue).save(path));
        const QByteArray uri = otherURI ? LMRSharedThumbnailCache::fileURI(path + ".other") : LMRSharedThumbnailCache::fileURI(path);
        const QList<QPair<QByteArray, QByteArray>> texts{
            {"Thumb::URI", uri},
            {"Thumb::MTime", QByteArray::number(statOf(path).st_mtim.tv_sec - mtimeShift)},
            {"Thumb::Size", QByteArray::number(QFileInfo(path).size() + sizeShift)}};
        const QImage red = filled(QSize(256, 192), Qt::red);
        lmrtest::writeFile(shared().entryPath(path, 256), qtWriter ? pngFromQt(red, texts) : pngToTheLetter(red, texts));
        Preferences::sharedInstance().setDiskThumbnails(diskOn);

        LMRFileSystemImageItem item(path);
        const QColor centre = imagestest::loadedThumbnail(item, 192).pixelColor(96, 96);
        QVERIFY2(similar(centre, used ? QColor(Qt::red) : QColor(Qt::blue)), qPrintable(centre.name()));
        // A stale entry is replaced by one of the file as it is now; none is written while off.
        QVERIFY(shared().waitForPendingWrites(10000));
        const std::optional<LMRSharedThumbnailCache::FileStamp> stamp = LMRSharedThumbnailCache::stampOf(path);
        QVERIFY(stamp);
        const auto entry = shared().lookup(path, *stamp, 192);
        if (!diskOn) {
            QCOMPARE(entry.has_value(), !(mtimeShift || sizeShift || otherURI));
            return;
        }
        QVERIFY(entry);
        QVERIFY(similar(entry->image.pixelColor(10, 10), used ? QColor(Qt::red) : QColor(Qt::blue)));
    }

    // A file that cannot be thumbnailed is not tried again until it changes.
    // Entries are read by a reader of their own where it can (8-bit RGB or RGBA, nothing
    // applied on top): what it gives must be what Qt's reader gives, and what it cannot read
    // or finds damaged it leaves to Qt's reader (a null image), never reading out of bounds.
    void entriesReadLikeQtsReader_data()
    {
        lmrtest::columns<QByteArray, bool>({"png", "readHere"});
        QImage noise(61, 37, QImage::Format_ARGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgba(x * 4, y * 7, (x * y) % 256, 40 + (x + y) % 200));
        const QByteArray rgb = pngWithEveryFilter(QSize(61, 37), 3);
        QByteArray damaged = rgb, oversized = rgb;
        damaged.remove(60, 40);
        qToBigEndian<quint32>(5000, oversized.data() + 16);
        QTest::newRow("RGB, every filter") << rgb << true;
        QTest::newRow("RGBA, every filter") << pngWithEveryFilter(QSize(61, 37), 4) << true;
        QTest::newRow("RGBA from Qt's writer") << encoded(noise, "PNG") << true;
        QTest::newRow("RGB from Qt's writer") << encoded(noise.convertToFormat(QImage::Format_RGB32), "PNG") << true;
        QTest::newRow("16-bit") << pngBytes(QSize(8, 4), 16, 2, {1, 2, 3}, {4, 5, 6}) << false;
        QTest::newRow("palette") << pngBytes(QSize(8, 4), 8, 3, {0}, {1}, {qRgb(1, 2, 3), qRgb(4, 5, 6)}) << false;
        QTest::newRow("grey") << pngBytes(QSize(8, 4), 8, 0, {10}, {200}) << false;
        QTest::newRow("cut short") << damaged << false;
        QTest::newRow("larger than its data") << oversized << false;
        QTest::newRow("unknown filter") << pngWithEveryFilter(QSize(3, 2), 3, 7) << false;
    }
    void entriesReadLikeQtsReader()
    {
        QFETCH(QByteArray, png);
        QFETCH(bool, readHere);
        const QImage here = LMRPngEntryReader::read(png, 4096);
        QCOMPARE(!here.isNull(), readHere);
        if (readHere)
            QCOMPARE(here, QImage::fromData(png, "PNG"));
    }

    void failureEntryAndRetry()
    {
        const QString path = lmrtest::writeFile(folder("failing") + "/broken.png", "not a picture at all\n");
        LMRFileSystemImageItem item(path);
        const Grid grid(192);
        {
            LogLines log;
            QVERIFY(!item.loadThumbnailForCollectionView(&grid));
            QCOMPARE(log.count(), 1);      // the decoder was asked, and said no
        }
        QVERIFY(shared().waitForPendingWrites(10000));
        const QString entry = shared().failureEntryPath(path);
        QVERIFY2(QFile::exists(entry), qPrintable(entry));
        QVERIFY(entry.contains("/fail/lumory-"));
        QVERIFY(shared().hasFailureEntry(path, *LMRSharedThumbnailCache::stampOf(path)));
        {
            LogLines log;
            QVERIFY(!item.loadThumbnailForCollectionView(&grid));
            QCOMPARE(log.count(), 0);      // not asked again
        }
        // Written anew (a download that completed): tried, and the picture shows.
        QVERIFY(filled(QSize(300, 200), Qt::green).save(path, "PNG"));
        setMtime(path, statOf(path).st_mtim.tv_sec + 10);
        LMRFileSystemImageItem changed(path);
        QVERIFY(similar(imagestest::loadedThumbnail(changed, 192).pixelColor(96, 96), Qt::green));
    }

    // An entry is replaced by renaming a complete file over it: halfway through writing, a
    // reader finds nothing (the first time) or the whole previous entry.
    void writesAreAtomic()
    {
        const QString path = folder("atomic") + "/picture.png";
        QVERIFY(filled(QSize(400, 300), Qt::blue).save(path));
        const auto stamp = LMRSharedThumbnailCache::stampOf(path);
        QVERIFY(stamp);
        const QString entry = shared().entryPath(path, 256);
        QStringList seen;
        LMRSharedThumbnailCache::setMidWriteHookForTesting([&](const QString &finalPath) {
            if (finalPath != entry)
                return;
            if (!QFile::exists(entry)) {
                seen << "nothing";
                return;
            }
            QImageReader reader(entry);
            const QImage image = reader.read();
            seen << (image.isNull() ? QString("broken") : QString("colour %1").arg(image.pixelColor(10, 10).name()));
        });
        const auto unhook = qScopeGuard([] { LMRSharedThumbnailCache::setMidWriteHookForTesting({}); });
        QVERIFY(shared().store(path, *stamp, "image/png", filled(QSize(256, 192), Qt::red), QSize(400, 300), 256));
        QVERIFY(shared().waitForPendingWrites(10000));
        QVERIFY(shared().store(path, *stamp, "image/png", filled(QSize(256, 192), Qt::green), QSize(400, 300), 256));
        QVERIFY(shared().waitForPendingWrites(10000));
        QCOMPARE(seen, (QStringList{"nothing", "colour #ff0000"}));
        QCOMPARE(shared().lookup(path, *stamp, 192)->image.pixelColor(10, 10), QColor(Qt::green));
        // No temporary file stays behind.
        QCOMPARE(QDir(QFileInfo(entry).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        // Nothing is written for the cache's own files, and a trashed file's entries all go.
        QVERIFY(!shared().store(entry, *stamp, "image/png", filled(QSize(8, 8), Qt::red), {}, 128));
        QVERIFY(shared().storeFailure(path, *stamp, "image/png"));
        QVERIFY(shared().waitForPendingWrites(10000));
        shared().removeEntries(path);
        QVERIFY(!QFile::exists(entry));
        QVERIFY(!QFile::exists(shared().failureEntryPath(path)));
    }
};

LMR_REGISTER_TEST(SharedThumbnailCacheTest);
#include "SharedThumbnailCacheTest.moc"
