#include "model/Cache.h"
#include "support/ImageFixtures.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

namespace {
QImage filled(int size, QColor colour = Qt::red)
{
    return lmrimages::filled(QSize(size, size), colour, QImage::Format_ARGB32_Premultiplied);
}
} // namespace

class CacheTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { LMRThumbnailRAMCache::sharedInstance().removeAllObjects(); }

    // A replacement keeps the key's age, a hit makes it the most recent, a miss changes
    // nothing; the least recent goes when the count reaches the limit or the bytes pass the budget.
    void evictsTheLeastRecent_data()
    {
        QTest::addColumn<bool>("byBytes");
        QTest::newRow("count limit") << false;
        QTest::newRow("byte budget") << true;
    }
    void evictsTheLeastRecent()
    {
        QFETCH(bool, byBytes);
        LMRCache cache;
        const qint64 each = filled(10).sizeInBytes();
        if (byBytes)
            cache.setByteBudget(3 * each);
        else
            cache.setLimit(4);
        for (const char *k : {"a", "b", "c", "b"})
            cache.setObject(filled(10), k);
        QCOMPARE(cache.usage(), (QStringList{"a", "b", "c"}));
        QVERIFY(!cache.objectForKey("a").isNull());
        QVERIFY(cache.objectForKey("zz").isNull());
        cache.setObject(filled(10), "d");
        QCOMPARE(cache.usage(), (QStringList{"c", "a", "d"}));
        QCOMPARE(cache.bytes(), 3 * each);
    }

    void fallbackToLargerSize_data()
    {
        // requested: points; cached: device pixels, stored before the request; expected: device pixels; 0: nothing
        lmrtest::columns<qreal, int, QList<int>, int, QStringList>(
            {"ratio", "requested", "cached", "expected", "usageAfter"});
        QTest::newRow("96 from 288: 192 missed, 288 used")
            << 1.0 << 96 << QList<int>{288, 576} << 96 << QStringList{"576", "288", "96"};
        QTest::newRow("1536 is the last candidate")
            << 1.0 << 96 << QList<int>{1632, 1536} << 96 << QStringList{"1632", "1536", "96"};
        QTest::newRow("smaller sizes are not used") << 1.0 << 288 << QList<int>{192} << 0 << QStringList{"192"};
        // Steps are in points: at 1.5, 192 points are 288 pixels (240 would be a 160-point side).
        QTest::newRow("ratio 1.5: 96 points from 192") << 1.5 << 96 << QList<int>{240, 288} << 144
                                                       << QStringList{"240", "288", "144"};
    }
    void fallbackToLargerSize()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, requested);
        QFETCH(QList<int>, cached);
        QFETCH(int, expected);
        auto &cache = LMRThumbnailRAMCache::sharedInstance();
        const QString path = QStringLiteral("/photos/a b.jpg");
        for (int size : cached)
            cache.setObject(filled(size, Qt::blue), LMRThumbnailRAMCache::keyFor(path, size));
        const QImage found = ratio == 1.0 ? cache.objectForKey(LMRThumbnailRAMCache::keyFor(path, requested))
                                          : cache.thumbnail(path, requested, ratio);
        QCOMPARE(found.isNull(), expected == 0);
        if (expected) {
            QCOMPARE(found.size(), QSize(expected, expected));
            QCOMPARE(found.devicePixelRatio(), ratio);
            QCOMPARE(found.pixelColor(expected / 2, expected / 2), QColor(Qt::blue));
            // A later request is a plain hit on the stored copy.
            QCOMPARE(cache.thumbnail(path, requested, ratio).cacheKey(), found.cacheKey());
        }
        QStringList sizes;
        for (const QString &k : cache.usage())
            sizes << k.mid(path.size() + 1);
        QTEST(sizes, "usageAfter");
    }
};

LMR_REGISTER_TEST(CacheTest);
#include "CacheTest.moc"
