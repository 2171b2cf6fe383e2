// Thumbnails on high-density screens: rendered at side x ratio device pixels, cached under that
// size, and painted one thumbnail pixel to one device pixel (no 2 x 2 blocks at ratio 2).
// A screen's ratio is fixed when the application starts, so rows for another ratio than this
// process's run this class again in a child process under QT_SCALE_FACTOR.

#include "GridTestSupport.h"
#include "model/Cache.h"
#include "model/PixelSize.h"

class GridPixelRatioTest : public QObject
{
    Q_OBJECT

private slots:
    void thumbnailsAtDevicePixels_data()
    {
        // deviceSide: of a 96-point thumbnail
        lmrtest::columns<qreal, int>({"ratio", "deviceSide"});
        QTest::newRow("ratio 1") << 1.0 << 96;
        QTest::newRow("ratio 1.5") << 1.5 << 144;
        QTest::newRow("ratio 2") << 2.0 << 192;
    }
    void thumbnailsAtDevicePixels()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, deviceSide);
        if (!qFuzzyCompare(qApp->devicePixelRatio(), ratio)) {
            runInChild(ratio);
            return;
        }
        QCOMPARE(LMRPixelSize::deviceSide(96, ratio), qint64(deviceSide));

        Preferences::sharedInstance().clearForTesting();
        Preferences::sharedInstance().setIntZoomValue(1);
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        cache.removeAllObjects();
        QTemporaryDir dir;
        // A one-pixel checkerboard exactly as large as the device-pixel square: any scaling on
        // the way to the screen blurs or doubles it.
        QImage board(deviceSide, deviceSide, QImage::Format_RGB32);
        for (int y = 0; y < deviceSide; ++y)
            for (int x = 0; x < deviceSide; ++x)
                board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const QString file = dir.filePath(QStringLiteral("board.png"));
        QVERIFY(board.save(file));
        auto item = std::make_shared<LMRFileSystemImageItem>(file);

        FakeGridDelegate delegate;
        delegate.items = {item};
        delegate.count = 1;
        ImageCollectionView grid;
        grid.setDelegate(&delegate);
        grid.setItemSize(96);
        QVERIFY(showGrid(grid, 400, 300));
        settle(grid);
        QCOMPARE(grid.thumbnailPixelRatio(), ratio);

        QVERIFY(item->loadThumbnailForCollectionView(&grid));
        const QImage cached = cache.objectForKey(LMRThumbnailRAMCache::keyFor(file, deviceSide));
        QCOMPARE(cached.size(), QSize(deviceSide, deviceSide));
        QCOMPARE(cached.devicePixelRatio(), ratio);
        QCOMPARE(item->cachedThumbnailWithSize(96, ratio).cacheKey(), cached.cacheKey());

        grid.reloadData();
        settle(grid);
        const QImage shot = grid.viewport()->grab().toImage();
        QCOMPARE(shot.devicePixelRatio(), ratio);
        const QRectF points = grid.imageRectForItemRect(grid.itemRectForCellRect(grid.cellRectForItemIndex(0)));
        const QRect pixels = QRectF(points.topLeft() * ratio, points.size() * ratio).toAlignedRect().adjusted(2, 2, -2, -2);
        // Every device pixel differs from its right-hand neighbour: a pixel doubled by scaling
        // would give runs of two.
        int alternations = 0, pairs = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x < pixels.right(); ++x) {
                ++pairs;
                alternations += qGray(shot.pixel(x, y)) / 128 != qGray(shot.pixel(x + 1, y)) / 128;
            }
        }
        QVERIFY2(pairs > 0 && alternations == pairs,
                 qPrintable(QStringLiteral("%1 of %2 neighbours differ").arg(alternations).arg(pairs)));
    }

private:
    static void runInChild(qreal ratio)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(ratio));
        env.insert(QStringLiteral("LMR_TEST_CLASS"), QStringLiteral("GridPixelRatioTest"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("%1:%2").arg(QString::fromLatin1(QTest::currentTestFunction()),
                                                 QString::fromLatin1(QTest::currentDataTag()))});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        // The child must have run the row itself, not skipped or deferred it again.
        QVERIFY2(output.contains("PASS   : GridPixelRatioTest::thumbnailsAtDevicePixels("), output.constData());
    }
};

LMR_REGISTER_TEST(GridPixelRatioTest);
#include "GridPixelRatioTest.moc"
