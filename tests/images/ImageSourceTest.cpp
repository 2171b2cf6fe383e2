// The image source over files made here: EXIF orientation applied to thumbnails, embedded
// previews and whole images. (Each family's sizes, pixels and placement are checked by the
// colour-management and decode-limit tests.)

#include "ImagesTestSupport.h"

#include "support/BackgroundTasks.h"

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
            large.convertToFormat(QImage::Format_ARGB32_Premultiplied).scaled(288, 162, Qt::IgnoreAspectRatio,
                                                                          Qt::SmoothTransformation);
            scaled = true;
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
