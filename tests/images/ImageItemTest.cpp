// The thumbnail pipeline of the image item: which picture becomes the thumbnail, where it sits
// in the square, what is cached and what is not.

#include "ImagesTestSupport.h"

#include "model/FileSystemImageItem.h"

class ImageItemTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private:

private slots:
    void init() { imagestest::startFresh(); }

    void previewOrFullDecode_data()
    {
        lmrtest::columns<QSize, QSize, bool, bool>({"full", "preview", "highQuality", "previewShown"});
        QTest::newRow("4:3 preview kept") << QSize(400, 300) << QSize(160, 120) << false << true;
        QTest::newRow("letterboxed 3:2 preview rejected") << QSize(600, 400) << QSize(160, 120) << false << false;
        QTest::newRow("portrait rejected") << QSize(300, 400) << QSize(160, 120) << false << false;
        QTest::newRow("just within 0.1 of 4:3 kept") << QSize(715, 500) << QSize(160, 120) << false << true;
        QTest::newRow("161x120 kept for 3:2") << QSize(600, 400) << QSize(161, 120) << false << true;
        QTest::newRow("160x121 kept for portrait") << QSize(300, 400) << QSize(160, 121) << false << true;
        QTest::newRow("high quality never uses it") << QSize(400, 300) << QSize(160, 120) << true << false;
    }
    void previewOrFullDecode()
    {
        QFETCH(QSize, full);
        QFETCH(QSize, preview);
        QFETCH(bool, highQuality);
        QFETCH(bool, previewShown);
        const QString path = file(QString("camera-%1-%2.jpg").arg(QTest::currentDataTag()).replace(' ', '_'));
        if (!writeJpegWithExif(path, filled(full, QColor(20, 200, 20)), 1, filled(preview, QColor(210, 20, 210))))
            QSKIP("exiv2 missing");
        Preferences::sharedInstance().setHighQualityThumbnails(highQuality);

        LMRFileSystemImageItem item(path);
        const QImage thumbnail = imagestest::loadedThumbnail(item, 192);
        QCOMPARE(thumbnail.size(), QSize(192, 192));
        const QColor centre = thumbnail.pixelColor(96, 96);
        QVERIFY2(similar(centre, previewShown ? QColor(210, 20, 210) : QColor(20, 200, 20)), qPrintable(centre.name()));
        QCOMPARE(item.pixelWidth(), qint64(full.width()));
        QCOMPARE(item.pixelHeight(), qint64(full.height()));
    }

    void secondCallAnswersNoWithoutTheFile()
    {
        const QString path = file("twice.png");
        QVERIFY(quadrants(300, 200).save(path));
        LMRFileSystemImageItem item(path);
        const Grid grid(96);
        QVERIFY(item.loadThumbnailForCollectionView(&grid));
        QVERIFY(QFile::remove(path));
        QVERIFY(!item.loadThumbnailForCollectionView(&grid));
        QVERIFY(!item.cachedThumbnailWithSize(96).isNull());
        // Another size is a new thumbnail, and the file is gone now.
        const Grid larger(288);
        QVERIFY(!item.loadThumbnailForCollectionView(&larger));
    }

    void failuresCacheNothing_data()
    {
        lmrtest::columns<QString, QByteArray>({"name", "bytes"});
        const QByteArray jpeg = encoded(quadrants(640, 480), "JPEG", 90);
        // A truncated file still has a header, so it opens; only its decoding fails.
        QTest::newRow("truncated.jpg") << "truncated.jpg" << jpeg.left(jpeg.size() * 2 / 3);
        QTest::newRow("zero-byte.jpg") << "zero-byte.jpg" << QByteArray();
        QTest::newRow("text-named.png") << "text-named.png" << QByteArray("just some text\n");
    }
    void failuresCacheNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = lmrtest::writeFile(file(name), bytes);
        LMRFileSystemImageItem item(path);
        const Grid grid(96);
        QVERIFY(!item.loadThumbnailForCollectionView(&grid));
        QCOMPARE(LMRThumbnailRAMCache::sharedInstance().count(), qint64(0));
    }

    // What a browser or a phone saves under a .jpg name: the content picks the decoder and the
    // thumbnail is an ordinary square, not the whole picture kept as its own thumbnail.
    void mislabelledFileIsThumbnailedByItsContent_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("png-with-jpeg-extension.jpg") << "png";
        QTest::newRow("webp-with-jpeg-extension.jpg") << "webp";
        QTest::newRow("heic-with-jpeg-extension.jpg") << "heif";
    }
    void mislabelledFileIsThumbnailedByItsContent()
    {
        QFETCH(QString, format);
        const QString path = file(QTest::currentDataTag());
        if (format == "heif" ? !writeHeif(path, quadrants(300, 200), false)
                             : !quadrants(300, 200).save(path, qPrintable(format)))
            QSKIP("no encoder for this format here");
        LMRFileSystemImageItem item(path);
        QCOMPARE(item.UTI(), QString("image/jpeg"));
        const QImage thumbnail = imagestest::loadedThumbnail(item, 96);
        QCOMPARE(thumbnail.size(), QSize(96, 96));
        QCOMPARE(qAlpha(thumbnail.pixel(48, 15)), 0);     // 96 x 64 at (0, 16)
        QVERIFY(similar(cornersOf(thumbnail, QRect(0, 16, 96, 64)), cornersOf(quadrants(300, 200))));
        QCOMPARE(item.pixelWidth(), qint64(300));
        QCOMPARE(item.pixelHeight(), qint64(200));
    }

    // A video's frame at half its length, a page, and a small picture (scaled up): fitted into
    // the square like a picture.
    void framesAndPagesAsSquares_data()
    {
        // outside: just outside the fitted picture
        lmrtest::columns<QString, qint64, QSize, QColor, QPoint>({"name", "side", "pixels", "colour", "outside"});
        QTest::newRow("video") << "clip.mp4" << qint64(192) << QSize(320, 240) << QColor(0, 0, 255) << QPoint(96, 23);
        QTest::newRow("PDF") << "page.pdf" << qint64(96) << QSize(300, 400) << QColor(20, 20, 220) << QPoint(11, 48);
        QTest::newRow("small PNG") << "small.png" << qint64(96) << QSize(50, 20) << QColor(Qt::red) << QPoint(48, 28);
    }
    void framesAndPagesAsSquares()
    {
        QFETCH(QString, name);
        QFETCH(qint64, side);
        QFETCH(QSize, pixels);
        QFETCH(QColor, colour);
        QFETCH(QPoint, outside);
        const QString path = file(name);
        if (name.endsWith(".pdf") ? !writePdf(path, pixels, filled(pixels, colour)) : !writeSample(path, filled(pixels, colour)))
            QSKIP("ffmpeg tool missing");
        LMRFileSystemImageItem item(path);
        const QImage thumbnail = imagestest::loadedThumbnail(item, side);
        QCOMPARE(QSize(int(item.pixelWidth()), int(item.pixelHeight())), pixels);
        QVERIFY(similar(thumbnail.pixelColor(int(side / 2), int(side / 2)), colour, 60));
        QCOMPARE(qAlpha(thumbnail.pixel(outside)), 0);
    }
};

LMR_REGISTER_TEST(ImageItemTest);
#include "ImageItemTest.moc"
