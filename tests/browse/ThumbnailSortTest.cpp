#include "BrowseTestSupport.h"
#include "support/TestRunner.h"

#include "browse/ThumbnailSort.h"

#include <QRandomGenerator>

using namespace lmrbrowse;

namespace {
constexpr qint64 kSecond = 1'000'000'000;
}

class ThumbnailSortTest : public QObject
{
    Q_OBJECT

private slots:
    void order_data()
    {
        QTest::addColumn<qint64>("sortBy");
        QTest::addColumn<qint64>("sortOrder");
        QTest::addColumn<QStringList>("expected");

        // c.jpg has no dates and no size; the rest differ in every key.
        QTest::newRow("name, digits by value") << qint64(1) << qint64(1)
                                               << QStringList{"c.jpg", "IMG2.jpg", "img10.jpg", "Z.jpg"};
        QTest::newRow("name descending") << qint64(1) << qint64(2)
                                         << QStringList{"Z.jpg", "img10.jpg", "IMG2.jpg", "c.jpg"};
        QTest::newRow("creation, undated first") << qint64(2) << qint64(1)
                                                 << QStringList{"c.jpg", "Z.jpg", "img10.jpg", "IMG2.jpg"};
        QTest::newRow("modification") << qint64(3) << qint64(1)
                                      << QStringList{"c.jpg", "IMG2.jpg", "Z.jpg", "img10.jpg"};
        QTest::newRow("size descending, unsized last") << qint64(4) << qint64(2)
                                                       << QStringList{"img10.jpg", "IMG2.jpg", "Z.jpg", "c.jpg"};
        QTest::newRow("any other order value is descending") << qint64(4) << qint64(0)
                                                             << QStringList{"img10.jpg", "IMG2.jpg", "Z.jpg", "c.jpg"};
    }
    void order()
    {
        QFETCH(qint64, sortBy);
        QFETCH(qint64, sortOrder);
        QFETCH(QStringList, expected);
        std::vector<LMRImageItemPtr> items{
            makeItem({QStringLiteral("img10.jpg"), 300, 40 * kSecond, 20 * kSecond}),
            makeItem({QStringLiteral("Z.jpg"), 100, 30 * kSecond, 10 * kSecond}),
            makeItem({QStringLiteral("c.jpg")}),
            makeItem({QStringLiteral("IMG2.jpg"), 200, 20 * kSecond, 30 * kSecond}),
        };
        QVERIFY(LMRThumbnailSort::sortItems(items, sortBy, sortOrder));
        QCOMPARE(namesOf(items), expected);
    }

    void unknownKeyLeavesTheList()
    {
        auto items = numberedImages({3, 1, 2});
        QVERIFY(!LMRThumbnailSort::sortItems(items, 0, 1));
        QVERIFY(!LMRThumbnailSort::sortItems(items, 5, 1));
        QCOMPARE(namesOf(items), namesOf(numberedImages({3, 1, 2})));
    }

    // A sorted head with an unsorted tail (the list while a folder fills) must end up exactly
    // as a full sort would put it, whatever the tail holds.
    void sortedHeadMergedWithTail_data()
    {
        QTest::addColumn<int>("head");
        QTest::addColumn<int>("tail");
        QTest::newRow("large head, small tail") << 3000 << 100;
        QTest::newRow("small head, large tail") << 5 << 2000;
        QTest::newRow("no tail") << 500 << 0;
        QTest::newRow("no head") << 0 << 700;
    }
    void sortedHeadMergedWithTail()
    {
        QFETCH(int, head);
        QFETCH(int, tail);
        QRandomGenerator random(42);
        std::vector<int> numbers;
        for (int i = 0; i < head + tail; ++i)
            numbers.push_back(int(random.bounded(100000)));
        std::sort(numbers.begin(), numbers.begin() + head);
        for (qint64 sortBy : {1, 4}) {
            auto items = numberedImages(numbers);
            auto expected = items;
            std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) {
                return LMRFileSystemItem::compareNames(*a, *b) < 0;
            });
            QVERIFY(LMRThumbnailSort::sortItems(items, sortBy, 1));
            QVERIFY(LMRThumbnailSort::isSorted(items, sortBy, 1));
            // Same multiset of items, now in order (sizes equal the numbers in the names).
            QCOMPARE(namesOf(items), namesOf(expected));
        }
    }

    // Re-sorts that trust the head the last sort left must still give the full order, and must
    // notice when the head was changed by anything else meanwhile.
    void rememberedHead_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("tail appended") << "append";
        QTest::newRow("head reversed, then tail appended") << "reverse";
        QTest::newRow("list emptied and filled anew") << "refill";
        QTest::newRow("sort key changed") << "key";
    }
    void rememberedHead()
    {
        QFETCH(QString, change);
        QRandomGenerator random(7);
        const auto randomNumbers = [&](int count) {
            std::vector<int> numbers;
            for (int i = 0; i < count; ++i)
                numbers.push_back(int(random.bounded(100000)));
            return numbers;
        };
        LMRThumbnailSort::SortedHead head;
        auto items = numberedImages(randomNumbers(3000));
        QVERIFY(LMRThumbnailSort::sortItems(items, 1, 1, &head));
        QCOMPARE(head.keys.size(), size_t(3000));
        qint64 sortBy = 1;
        if (change == QLatin1String("reverse"))
            std::reverse(items.begin(), items.end());
        else if (change == QLatin1String("refill"))
            items = numberedImages(randomNumbers(3500));
        else if (change == QLatin1String("key"))
            sortBy = 4;
        for (auto &item : numberedImages(randomNumbers(1001)))
            items.push_back(item);
        QVERIFY(LMRThumbnailSort::sortItems(items, sortBy, 1, &head));
        QVERIFY(LMRThumbnailSort::isSorted(items, sortBy, 1));
        QCOMPARE(head.keys.size(), items.size());
    }
};

LMR_REGISTER_TEST(ThumbnailSortTest);
#include "ThumbnailSortTest.moc"
