// The thumbnail pipeline of the image item: which picture becomes the thumbnail and where it
// sits in the square.

#include "ImagesTestSupport.h"

#include "model/FileSystemImageItem.h"

class ImageItemTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private slots:
    void init() { imagestest::startFresh(); }

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

    // The grid asks for the pixel size on every paint of a cell: a file whose header cannot be
    // read is read for it once, not again and again on the main thread; the renderer still
    // reads it.
    void unreadableHeaderIsReadOnceForTheGrid()
    {
        const QString path = file("not-yet.png");
        lmrtest::writeFile(path, "not a picture");
        LMRFileSystemImageItem item(path);
        QVERIFY(item.cachedThumbnailWithSize(96).isNull());
        QVERIFY(quadrants(300, 200).save(path, "png"));     // what only a new read would see
        item.cachedThumbnailWithSize(96);
        QCOMPARE(item.pixelWidth(), qint64(0));
        imagestest::loadedThumbnail(item, 96);
        QCOMPARE(item.pixelWidth(), qint64(300));
    }

    // A video's frame at half its length, a page, and a small picture (scaled up): fitted into
    // the square like a picture.
    void framesAndPagesAsSquares_data()
    {
        lmrtest::columns<QString, qint64, QSize, QColor>({"name", "side", "pixels", "colour"});
        QTest::newRow("video") << "clip.mp4" << qint64(192) << QSize(320, 240) << QColor(0, 0, 255);
        QTest::newRow("PDF") << "page.pdf" << qint64(96) << QSize(300, 400) << QColor(20, 20, 220);
        QTest::newRow("small PNG") << "small.png" << qint64(96) << QSize(50, 20) << QColor(Qt::red);
    }
    void framesAndPagesAsSquares()
    {
        QFETCH(QString, name);
        QFETCH(qint64, side);
        QFETCH(QSize, pixels);
        QFETCH(QColor, colour);
        const QString path = file(name);
        if (name.endsWith(".pdf") ? !writePdf(path, pixels, filled(pixels, colour)) : !writeSample(path, filled(pixels, colour)))
            QSKIP("ffmpeg tool missing");
        LMRFileSystemImageItem item(path);
        const QImage thumbnail = imagestest::loadedThumbnail(item, side);
        QCOMPARE(QSize(int(item.pixelWidth()), int(item.pixelHeight())), pixels);
        QVERIFY(similar(thumbnail.pixelColor(int(side / 2), int(side / 2)), colour, 60));
    }
};

LMR_REGISTER_TEST(ImageItemTest);
#include "ImageItemTest.moc"
