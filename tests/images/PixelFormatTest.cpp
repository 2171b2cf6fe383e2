// Every pixel format the decoders hand out is drawn in its own colours at every size: in the
// grid's thumbnails, in the viewer's whole image and in the viewer's drawing shrunk to fit.

#include "ImagesTestSupport.h"

#include "model/FileSystemImageItem.h"
#include "viewer/ScalingImageView.h"

namespace {

bool near(const QColor &a, const QColor &b)
{
    return similar(a, b, 3) && qAbs(a.alpha() - b.alpha()) <= 3;
}

// A 1-bit image whose left half is colour 0 of the table and right half colour 1.
QImage halves(const QList<QRgb> &table)
{
    QImage image(600, 400, QImage::Format_Mono);
    image.setColorTable(table);
    image.fill(0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() / 2; x < image.width(); ++x)
            image.setPixel(x, y, 1);
    return image;
}

} // namespace

class PixelFormatTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private slots:
    void initTestCase() { imagestest::startFresh(true); }

    void trueColoursAtEverySize_data()
    {
        lmrtest::columns<QString, QByteArray, QColor, QColor>({"name", "bytes", "left", "right"});
        const QSize size(600, 400);
        const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255);
        QList<QRgb> sixteen, all;
        for (int i = 0; i < 256; ++i)
            (i < 16 ? sixteen : all).append(qRgb(i * 13 % 256, 255 - i, i * 7 % 256));
        all = sixteen + all;
        auto grey = [](int v, int a = 255) { return QColor(v, v, v, a); };
        auto png = [&](const char *row, int depth, int type, QList<int> l, QList<int> r, QColor lc, QColor rc,
                       QList<QRgb> palette = {}) {
            QTest::newRow(row) << QString(row) + ".png" << pngBytes(size, depth, type, l, r, palette) << lc << rc;
        };
        png("1-bit palette, red and white", 1, 3, {0}, {1}, QColor(red), QColor(white), {red, white});
        png("1-bit palette, all red", 1, 3, {0}, {0}, QColor(red), QColor(red), {red, white});
        png("2-bit palette", 2, 3, {2}, {3}, QColor(20, 160, 60), QColor(30, 60, 200),
            {qRgb(0, 0, 0), red, qRgb(20, 160, 60), qRgb(30, 60, 200)});
        png("4-bit palette", 4, 3, {9}, {15}, QColor(sixteen[9]), QColor(sixteen[15]), sixteen);
        png("8-bit palette", 8, 3, {200}, {17}, QColor(all[200]), QColor(all[17]), all);
        png("palette with transparency", 8, 3, {0}, {1}, QColor(200, 30, 30), QColor(30, 30, 200, 128),
            {qRgb(200, 30, 30), qRgba(30, 30, 200, 128)});
        png("1-bit grey", 1, 0, {0}, {1}, grey(0), grey(255));
        png("2-bit grey", 2, 0, {1}, {2}, grey(85), grey(170));
        png("4-bit grey", 4, 0, {3}, {12}, grey(51), grey(204));
        png("8-bit grey", 8, 0, {40}, {220}, grey(40), grey(220));
        png("16-bit grey", 16, 0, {0x2828}, {0xDCDC}, grey(40), grey(220));
        png("grey and alpha", 8, 4, {100, 255}, {200, 128}, grey(100), grey(200, 128));
        png("16-bit grey and alpha", 16, 4, {0x6464, 0xFFFF}, {0xC8C8, 0x8080}, grey(100), grey(200, 128));
        png("8-bit RGB", 8, 2, {200, 40, 30}, {30, 160, 60}, QColor(200, 40, 30), QColor(30, 160, 60));
        png("16-bit RGB", 16, 2, {0xC8C8, 0x2828, 0x1E1E}, {0x1E1E, 0xA0A0, 0x3C3C}, QColor(200, 40, 30), QColor(30, 160, 60));
        png("RGBA", 8, 6, {200, 40, 30, 255}, {30, 160, 60, 128}, QColor(200, 40, 30), QColor(30, 160, 60, 128));
        png("16-bit RGBA", 16, 6, {0xC8C8, 0x2828, 0x1E1E, 0xFFFF}, {0x1E1E, 0xA0A0, 0x3C3C, 0x8080},
            QColor(200, 40, 30), QColor(30, 160, 60, 128));
        QTest::newRow("1-bit BMP, red and white") << "red.bmp" << encoded(halves({red, white}), "BMP") << QColor(red) << QColor(white);
        QTest::newRow("1-bit TIFF, black and white (fax)") << "fax.tif" << encoded(halves({qRgb(0, 0, 0), white}), "TIFF")
                                                           << QColor(0, 0, 0) << QColor(white);
        QTest::newRow("TIFF, two-colour palette")
            << "two.tif" << encoded(halves({qRgb(30, 60, 200), qRgb(250, 200, 20)}).convertToFormat(QImage::Format_Indexed8), "TIFF")
                                                  << QColor(30, 60, 200) << QColor(250, 200, 20);
    }
    void trueColoursAtEverySize()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QColor, left);
        QFETCH(QColor, right);
        QVERIFY(!bytes.isEmpty());
        const QString path = lmrtest::writeFile(file(name), bytes);
        auto item = std::make_shared<LMRFileSystemImageItem>(path);

        // A 600 x 400 picture fitted into a square of side s sits at s/6 from the top.
        for (qint64 side : {96, 192}) {
            LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
            const QImage square = imagestest::loadedThumbnail(*item, side);
            QVERIFY(near(square.pixelColor(int(side / 4), int(side / 2)), left));
            QVERIFY(near(square.pixelColor(int(side * 3 / 4), int(side / 2)), right));
        }
        const LMRImage full = item->fullSizeImage();
        QVERIFY(full.isValid());
        QVERIFY(near(full.image.pixelColor(150, 200), left));
        QVERIFY(near(full.image.pixelColor(450, 200), right));
        const QImage drawn = LMRScalingImageView::scaledImage(full.image, QSize(150, 100), 1.0);
        QVERIFY(near(drawn.pixelColor(37, 50), left));
        QVERIFY(near(drawn.pixelColor(112, 50), right));
    }
};

LMR_REGISTER_TEST(PixelFormatTest);
#include "PixelFormatTest.moc"
