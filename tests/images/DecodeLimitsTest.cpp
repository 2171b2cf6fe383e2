// Large and hostile pictures: photographs of tens of megapixels decode through every reader,
// files declaring more than may be decoded are refused once and remembered, headers without
// data are failures, and drawings of absurd sizes still draw what fits.

#include "ImagesTestSupport.h"

#include "model/FileSystemImageItem.h"
#include "viewer/ScalingImageView.h"

namespace {

// Sets the decode budget for one test and puts the machine's back afterwards.
class BudgetScope
{
public:
    explicit BudgetScope(qint64 bytes) : m_saved(LMRImageSource::decodeByteBudget()) { LMRImageSource::setDecodeByteBudget(bytes); }
    ~BudgetScope() { LMRImageSource::setDecodeByteBudget(m_saved); }

private:
    qint64 m_saved;
};

QColor centre(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class DecodeLimitsTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private slots:
    void init() { imagestest::startFresh(true); }

    // Cameras and phones take these; Qt's own allocation limit used to turn them away.
    void largePicturesDecode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("48 MP PNG") << "large.png";
        QTest::newRow("48 MP TIFF") << "large.tif";
        QTest::newRow("48 MP WebP") << "large.webp";
    }
    void largePicturesDecode()
    {
        QFETCH(QString, name);
        const QSize size(8000, 6000);
        const QColor colour(40, 90, 200);
        const QString path = file(name);
        if (name.endsWith(".png")) {
            lmrtest::writeFile(path, pngBytes(size, 8, 2, {40, 90, 200}, {40, 90, 200}));
        } else if (name.endsWith(".tif")) {
            lmrtest::writeFile(path, tiffBytes(size, colour.rgb(), false));
        } else {
            if (!filled(size, colour).save(path, "WEBP", 100))     // lossless: the quickest to write here
                QSKIP("WebP writer missing");
        }

        auto item = std::make_shared<LMRFileSystemImageItem>(path);
        QVERIFY(similar(centre(imagestest::loadedThumbnail(*item, 288)), colour, 6));
        const LMRImage full = item->fullSizeImage();
        QVERIFY(full.isValid());
        QCOMPARE(full.image.size(), size);
        QVERIFY(similar(centre(full.image), colour, 6));
        QCOMPARE(item->pixelWidth(), 8000);
    }

    // Every decoder reads the declared size first and refuses above the limit: one log line, a
    // "too large" failure, and no further attempt for thumbnails or the viewer.
    void declaredSizeIsRefusedOnce_data()
    {
        lmrtest::columns<QString, QSize>({"name", "declared"});
        for (const char *name : {"jpeg.jpg", "png.png", "tiff.tif", "webp.webp", "bmp.bmp", "heif.heic", "avif.avif",
                                 "jxl.jxl", "raw.dng", "video.mkv"}) {
            const QString suffix = QString(name).section('.', -1);
            QTest::newRow(name) << QString(name)
                                << (suffix == "dng" ? QSize(128, 96) : suffix == "mkv" ? QSize(320, 240) : QSize(160, 120));
        }
    }
    void declaredSizeIsRefusedOnce()
    {
        QFETCH(QString, name);
        QFETCH(QSize, declared);
        const QString path = file("refused-" + name);
        // Matroska states the picture size in its header.
        if (!writeSample(path, quadrants(160, 120)))
            QSKIP("no encoder for this format here");

        // 64 KiB holds neither 19,200 four-byte pixels nor a RAW file's or a video's working images.
        BudgetScope scope(64 * 1024);
        LogLines log;
        auto item = std::make_shared<LMRFileSystemImageItem>(path);
        Grid grid(96);
        QVERIFY(!item->loadThumbnailForCollectionView(&grid));
        QVERIFY(item->isTooLargeToDecode());
        QCOMPARE(item->pixelWidth(), declared.width());     // the header was read all the same
        const LMRImage full = item->fullSizeImage();
        QVERIFY(!full.isValid());
        QVERIFY(full.failure == LMRImage::Failure::TooLarge);
        QVERIFY(!item->loadThumbnailForCollectionView(&grid));
        const QStringList lines = log.matching("too large");
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(" too large to decode: " + path + " declares "), qPrintable(lines.first()));

        // Straight through the image source the same refusal is an answer, not a crash or a wait.
        if (!name.endsWith(".mkv"))
            QVERIFY(LMRImageSource::decodeFile(path, item->UTI()).failure == LMRImage::Failure::TooLarge);
    }

    // Headers alone: more than 2^29 pixels is refused whatever the memory; a size that may be
    // decoded but whose data ends at once is a failure, not a grey picture.
    void jpegHeadersWithoutData_data()
    {
        lmrtest::columns<QSize, bool, QByteArray, bool>({"declared", "progressive", "end", "tooLarge"});
        const QByteArray none, endMarker("\xFF\xD9", 2);
        QTest::newRow("65500 x 65500") << QSize(65500, 65500) << false << none << true;
        QTest::newRow("30000 x 30000") << QSize(30000, 30000) << true << none << true;
        QTest::newRow("4000 x 3000, progressive") << QSize(4000, 3000) << true << none << false;
        QTest::newRow("4000 x 3000, data ends at the end marker") << QSize(4000, 3000) << false << endMarker << false;
    }
    void jpegHeadersWithoutData()
    {
        QFETCH(QSize, declared);
        QFETCH(bool, progressive);
        QFETCH(QByteArray, end);
        QFETCH(bool, tooLarge);
        BudgetScope scope(qint64(1024) << 30);
        const QString name = QStringLiteral("header-%1-%2-%3.jpg").arg(declared.width()).arg(progressive).arg(end.size());
        const QString path = lmrtest::writeFile(file(name), jpegHeaderBytes(declared, progressive) + end);
        LogLines log;
        auto source = LMRImageSource::open(path, "image/jpeg");
        QVERIFY(source);
        QCOMPARE(source->pixelSize(), declared);
        QVERIFY(source->thumbnail(288).isNull());
        QVERIFY(!source->fullImage().isValid());
        QCOMPARE(source->isTooLarge(), tooLarge);
        QCOMPARE(log.matching("too large").size(), tooLarge ? 1 : 0);
    }

    // Sizes near INT_MAX are computed without overflow, and a page or drawing of extreme
    // proportions still gives a raster and a view that draws the line that fits.
    void extremeDrawings_data()
    {
        lmrtest::columns<QString, QByteArray, QSizeF>({"name", "bytes", "points"});
        const QColor fill(200, 30, 30);
        QTest::newRow("SVG 2e9 wide, no viewBox") << "wide.svg" << svgBytes("2000000000", "100", fill) << QSizeF(2e9, 100);
        QTest::newRow("SVG 2e9 tall") << "tall.svg" << svgBytes("100", "2000000000", fill) << QSizeF(100, 2e9);
        QTest::newRow("PDF page 1e7 x 1 pt") << "wide.pdf" << pdfBytes(QSizeF(1e7, 1), fill) << QSizeF(1e7, 1);
        QTest::newRow("PDF page 1 x 1e7 pt") << "tall.pdf" << pdfBytes(QSizeF(1, 1e7), fill) << QSizeF(1, 1e7);
    }
    void extremeDrawings()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QSizeF, points);
        const QString path = lmrtest::writeFile(file(name), bytes);
        auto item = std::make_shared<LMRFileSystemImageItem>(path);
        const LMRImage full = item->fullSizeImage();
        QVERIFY(full.isValid());
        QVERIFY(!full.isBitmap);
        QCOMPARE(full.size, points);
        QCOMPARE(qMax(full.image.width(), full.image.height()), 4096);
        QVERIFY(similar(centre(full.image), QColor(200, 30, 30), 30));
        QVERIFY(!imagestest::loadedThumbnail(*item, 96).isNull());

        QWidget clip;
        clip.resize(800, 600);
        LMRScalingImageView view(&clip);
        view.setImage(full);
        view.setScale(view.fittingScale());
        QVERIFY(view.width() >= 1 && view.height() >= 1);
        QVERIFY(qMax(view.width(), view.height()) == (points.width() > points.height() ? 800 : 600));
        QVERIFY(similar(centre(view.grab().toImage()), QColor(200, 30, 30), 30));
    }
};

LMR_REGISTER_TEST(DecodeLimitsTest);
#include "DecodeLimitsTest.moc"
