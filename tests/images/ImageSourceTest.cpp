// The image source over files made here: EXIF orientation applied to thumbnails, embedded
// previews and whole images. (Each family's sizes, pixels and placement are checked by the
// colour-management and decode-limit tests.)

#include "ImagesTestSupport.h"

#include "support/BackgroundTasks.h"

#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThreadPool>

#include <atomic>
#include <thread>

class ImageSourceTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private slots:
    // Qt's smooth scaling of a large picture may wait for Qt's global thread pool: the
    // program's own background jobs (an animation's frames, GStreamer's set-up) must never hold
    // that pool, or every thumbnail worker and paint scaling a picture would wait with them.
    void backgroundJobsLeaveQtsPoolFree()
    {
        QThreadPool &jobs = LMRBackgroundTasks::pool();
        QSemaphore held;
        for (int i = 0; i < jobs.maxThreadCount(); ++i)
            jobs.start([&held] { held.acquire(); });
        QImage large(1920, 1080, QImage::Format_RGB32);
        large.fill(Qt::darkCyan);
        std::atomic<bool> scaled{false};
        std::thread worker([&] {
            const QImage small = large.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                     .scaled(288, 162, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            scaled = small.width() == 288;
        });
        // Let go of the jobs whatever the outcome, so that a failure ends instead of hanging.
        const auto letGo = qScopeGuard([&] {
            held.release(jobs.maxThreadCount());
            worker.join();
            jobs.waitForDone();
        });
        // Waited for without the event loop, which may itself want Qt's pool.
        for (int waited = 0; !scaled && waited < 20000; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QVERIFY2(scaled, "the scaling waited for the program's own background jobs");
    }

    // A thumbnail worker reads one picture after another into the same memory: the next file
    // of that size, whole or cut short, must show itself and never what was read before it.
    void keptDecodeBufferShowsOnlyItsFile_data()
    {
        lmrtest::columns<bool>({"cutShort"});
        QTest::newRow("whole file") << false;
        QTest::newRow("file cut short") << true;
    }
    void keptDecodeBufferShowsOnlyItsFile()
    {
        QFETCH(bool, cutShort);
        QImage red(640, 480, QImage::Format_RGB32);
        red.fill(Qt::red);
        // Noise, so that the compressed rows run through the whole file.
        QImage blue(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < blue.height(); ++y)
            for (int x = 0; x < blue.width(); ++x)
                blue.setPixel(x, y, qRgb((x * 7 + y * 13) % 32, (x * y) % 32, 200 + (x + y) % 56));
        QVERIFY(red.save(file("red.png")));
        QVERIFY(blue.save(file("blue.png")));
        if (cutShort) {
            QFile cut(file("blue.png"));
            QVERIFY(cut.resize(cut.size() / 2));
        }

        QImage first, second;
        std::thread worker([&] {
            LMRImageSource::keepDecodeBuffersOnThisThread();
            first = LMRImageSource::open(file("red.png"), "image/png")->thumbnail(160);
            second = LMRImageSource::open(file("blue.png"), "image/png")->thumbnail(160);
        });
        worker.join();
        QCOMPARE(first.pixelColor(80, 60), QColor(Qt::red));
        if (cutShort && second.isNull())
            return;
        QCOMPARE(second.size(), QSize(160, 120));
        for (int y = 0; y < second.height(); ++y)
            QVERIFY2(qBlue(second.pixel(80, y)) > 150 && qRed(second.pixel(80, y)) < 100,
                     qPrintable(QString("row %1 is not the blue file's").arg(y)));
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
};

LMR_REGISTER_TEST(ImageSourceTest);
#include "ImageSourceTest.moc"
