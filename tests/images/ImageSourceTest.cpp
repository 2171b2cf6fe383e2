// The image source over files of every family made here: sizes from headers, oriented
// thumbnails that are never enlarged, embedded previews, whole images, and files that lie or
// end early.

#include "support/ImageFixtures.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include "platform/ImageSource.h"
#include "platform/VideoSource.h"

#include <QTemporaryDir>
#include <QTest>

using namespace lmrimages;

class ImageSourceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

    // Writes the fixture of the suffix's kind; false when this machine lacks its encoder.
    static bool makeFixture(const QString &path)
    {
        const QImage image = quadrants(160, 120);
        if (path.endsWith(".pdf"))
            return writePdf(path, QSizeF(400, 300), image);
        if (!path.endsWith(".svg"))
            return writeSample(path, image);
        QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='160' height='120'>";
        for (int i = 0; i < 4; ++i)
            svg += QStringLiteral("<rect x='%1' y='%2' width='80' height='60' fill='%3'/>")
                       .arg(i % 2 * 80).arg(i / 2 * 60).arg(image.pixelColor(i % 2 * 80, i / 2 * 60).name()).toUtf8();
        return !lmrtest::writeFile(path, svg + "</svg>").isEmpty();
    }

private slots:
    void initTestCase()
    {
        LMRImageSource::initialize();
        QVERIFY(m_dir.isValid());
    }

    void formatFamilies_data()
    {
        lmrtest::columns<QString, QString, QSize, bool>({"kind", "mimeType", "pixelSize", "isBitmap"});
        const QSize quad(160, 120);
        QTest::newRow("jpeg") << "jpeg" << "image/jpeg" << quad << true;
        QTest::newRow("png") << "png" << "image/png" << quad << true;
        QTest::newRow("tiff") << "tiff" << "image/tiff" << quad << true;
        QTest::newRow("webp") << "webp" << "image/webp" << quad << true;
        QTest::newRow("bmp") << "bmp" << "image/bmp" << quad << true;
        QTest::newRow("svg is vector") << "svg" << "image/svg+xml" << quad << false;
        QTest::newRow("pdf page in points") << "pdf" << "application/pdf" << QSize(400, 300) << false;
        QTest::newRow("heif") << "heif" << "image/heif" << quad << true;
        QTest::newRow("avif") << "avif" << "image/avif" << quad << true;
        QTest::newRow("jxl") << "jxl" << "image/jxl" << quad << true;
    }
    void formatFamilies()
    {
        QFETCH(QString, kind);
        QFETCH(QString, mimeType);
        QFETCH(QSize, pixelSize);
        QFETCH(bool, isBitmap);
        const QString path = file("family." + kind);
        if (!makeFixture(path))
            QSKIP("no encoder for this format here");

        auto source = LMRImageSource::open(path, mimeType);
        QVERIFY(source);
        QCOMPARE(source->pixelSize(), pixelSize);

        // Never enlarged (vectors are drawn at the size asked for), proportions kept, and the
        // quadrants where they belong.
        const QImage small = source->thumbnail(64);
        QCOMPARE(small.size(), QSize(64, 48));
        QVERIFY(similar(cornersOf(small), cornersOf(quadrants(160, 120))));
        const QImage large = source->thumbnail(1000);
        QCOMPARE(large.size(), isBitmap ? QSize(160, 120) : pixelSize.scaled(1000, 1000, Qt::KeepAspectRatio));

        const LMRImage full = source->fullImage();
        QVERIFY(full.isValid());
        QCOMPARE(full.isBitmap, isBitmap);
        QCOMPARE(full.size.toSize(), pixelSize);
        QVERIFY(similar(cornersOf(full.image), cornersOf(quadrants(160, 120))));
    }

    void orientationIsApplied_data()
    {
        QTest::addColumn<int>("orientation");
        const char *names[] = {"", "1 normal", "2 mirrored", "3 rotated 180", "4 flipped", "5 transposed",
                               "6 rotated 90 cw", "7 transversed", "8 rotated 270 cw"};
        for (int o = 1; o <= 8; ++o)
            QTest::newRow(names[o]) << o;
    }
    void orientationIsApplied()
    {
        QFETCH(int, orientation);
        const QImage upright = quadrants(200, 100);
        const QImage thumbUpright = quadrants(160, 80);
        const QString path = file(QString("orientation-%1.jpg").arg(orientation));
        if (!writeJpegWithExif(path, storedForOrientation(upright, orientation), orientation,
                               storedForOrientation(thumbUpright, orientation)))
            QSKIP("exiv2 missing");

        auto source = LMRImageSource::open(path, "image/jpeg");
        QVERIFY(source);
        QCOMPARE(source->pixelSize(), QSize(200, 100));
        const QImage thumb = source->thumbnail(100);
        QCOMPARE(thumb.size(), QSize(100, 50));
        QVERIFY(similar(cornersOf(thumb), cornersOf(upright)));
        const QImage preview = source->embeddedPreview(288);
        QCOMPARE(preview.size(), QSize(160, 80));
        QVERIFY(similar(cornersOf(preview), cornersOf(upright)));
        const LMRImage full = source->fullImage();
        QCOMPARE(full.image.size(), QSize(200, 100));
        QVERIFY(similar(cornersOf(full.image), cornersOf(upright)));
    }

    void embeddedPreviewIsOptionalAndFitted()
    {
        const QString plain = file("no-exif.jpg");
        QVERIFY(quadrants(400, 300).save(plain, "JPEG"));
        QVERIFY(LMRImageSource::open(plain, "image/jpeg")->embeddedPreview(288).isNull());
        QVERIFY(LMRImageSource::open(plain, "image/jpeg")->thumbnail(8).size() == QSize(8, 6));

        const QString withThumb = file("big-exif-thumb.jpg");
        if (!writeJpegWithExif(withThumb, quadrants(400, 300), 1, quadrants(320, 240)))
            QSKIP("exiv2 missing");
        QCOMPARE(LMRImageSource::open(withThumb, "image/jpeg")->embeddedPreview(96).size(), QSize(96, 72));
    }

    void cameraRawPreviewAndDecode()
    {
        const QString path = file("camera.dng");
        QVERIFY(writeDng(path, QColor(200, 30, 160)));
        auto source = LMRImageSource::open(path, "image/x-adobe-dng");
        if (!source)
            QSKIP("LibRaw missing");
        QCOMPARE(source->pixelSize(), QSize(128, 96));
        const QImage preview = source->embeddedPreview(288);
        QCOMPARE(preview.size(), QSize(64, 48));
        QVERIFY(similar(preview.pixelColor(32, 24), QColor(200, 30, 160), 8));
        const QImage developed = source->thumbnail(288);
        QVERIFY(!developed.isNull());
        QVERIFY(qMax(developed.width(), developed.height()) <= 288);
    }

    void videoFrameAtHalfTheDuration()
    {
        const QString path = file("clip.mp4");
        if (!writeVideo(path))
            QSKIP("ffmpeg tool missing");
        auto asset = LMRVideoAsset::open(path, "video/mp4");
        QVERIFY(asset);
        const LMRMediaTime duration = asset->duration();
        QVERIFY(qAbs(duration.seconds() - 4.0) < 0.2);
        const std::optional<QSize> trackSize = asset->firstVideoTrackSize();
        QVERIFY(trackSize);
        QCOMPARE(*trackSize, QSize(320, 240));
        // Red for two seconds, then blue: the frame at half the duration is the first blue one.
        const QImage frame = asset->frameAtTime(duration.halved(), 100);
        QCOMPARE(frame.size(), QSize(100, 75));
        QVERIFY(similar(frame.pixelColor(50, 37), QColor(0, 0, 255), 60));
        const QImage first = asset->frameAtTime(LMRMediaTime{}, 0);
        QCOMPARE(first.size(), QSize(320, 240));
        QVERIFY(similar(first.pixelColor(160, 120), QColor(255, 0, 0), 60));
        // Videos have no image source of their own: it opens and answers nothing.
        auto source = LMRImageSource::open(path, "video/mp4");
        QVERIFY(source);
        QVERIFY(source->thumbnail(96).isNull());
    }
};

LMR_REGISTER_TEST(ImageSourceTest);
#include "ImageSourceTest.moc"
