#include "BrowseTestSupport.h"

#include "browse/ThumbnailSort.h"

using namespace lmrbrowse;

namespace {
constexpr qint64 kSecond = 1'000'000'000;

// Hands out fixed slots and gives a freed slot to the next item, last freed first, as the
// system allocator does for blocks of one size: an item made after another was freed can take
// its address.
struct SlotPool {
    alignas(std::max_align_t) char cells[8][1024];
    int used = 0;
    std::vector<void *> freed;
};

template <typename T>
struct SlotAllocator {
    using value_type = T;
    SlotPool *pool;
    explicit SlotAllocator(SlotPool *pool) : pool(pool) {}
    template <typename U> SlotAllocator(const SlotAllocator<U> &other) : pool(other.pool) {}
    T *allocate(size_t n)
    {
        if (n * sizeof(T) > sizeof(pool->cells[0]) || (pool->freed.empty() && pool->used == 8))
            qFatal("slot pool exhausted");
        if (pool->freed.empty())
            return reinterpret_cast<T *>(pool->cells[pool->used++]);
        void *slot = pool->freed.back();
        pool->freed.pop_back();
        return static_cast<T *>(slot);
    }
    void deallocate(T *slot, size_t) { pool->freed.push_back(slot); }
    template <typename U> bool operator==(const SlotAllocator<U> &other) const { return pool == other.pool; }
};

LMRImageItemPtr pooledImage(SlotPool &pool, int number)
{
    LMRFileSystemItem::Facts facts;
    facts.resolvedPath = QStringLiteral("/lmr-test-folder/img%1.jpg").arg(number);
    facts.fileType = S_IFREG;
    return std::allocate_shared<LMRFileSystemImageItem>(SlotAllocator<LMRFileSystemImageItem>(&pool), facts);
}

std::vector<int> randomNumbers(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers.push_back(int(random.bounded(100000)));
    return numbers;
}
}

class ThumbnailSortTest : public QObject
{
    Q_OBJECT

private slots:
    // Sorting by name descending and by modification date is driven by the scenarios.
    void order_data()
    {
        lmrtest::columns<qint64, qint64, bool, QStringList>({"sortBy", "sortOrder", "sorted", "expected"});
        // c.jpg has no dates and no size; the rest differ in every key.
        QTest::newRow("name, digits by value") << qint64(1) << qint64(1) << true
                                               << QStringList{"c.jpg", "IMG2.jpg", "img10.jpg", "Z.jpg"};
        QTest::newRow("creation, undated first") << qint64(2) << qint64(1) << true
                                                 << QStringList{"c.jpg", "Z.jpg", "img10.jpg", "IMG2.jpg"};
        QTest::newRow("size descending, unsized last") << qint64(4) << qint64(2) << true
                                                       << QStringList{"img10.jpg", "IMG2.jpg", "Z.jpg", "c.jpg"};
        QTest::newRow("unknown key leaves the list") << qint64(5) << qint64(1) << false
                                                     << QStringList{"img10.jpg", "Z.jpg", "c.jpg", "IMG2.jpg"};
    }
    void order()
    {
        QFETCH(qint64, sortBy);
        QFETCH(qint64, sortOrder);
        std::vector<LMRImageItemPtr> items{
            makeItem({QStringLiteral("img10.jpg"), 300, 40 * kSecond, 20 * kSecond}),
            makeItem({QStringLiteral("Z.jpg"), 100, 30 * kSecond, 10 * kSecond}),
            makeItem({QStringLiteral("c.jpg")}),
            makeItem({QStringLiteral("IMG2.jpg"), 200, 20 * kSecond, 30 * kSecond}),
        };
        QTEST(LMRThumbnailSort::sortItems(items, sortBy, sortOrder), "sorted");
        QTEST(namesOf(items), "expected");
    }

    // Re-sorts that trust the sorted head the last sort left must give exactly the full order,
    // and must notice when the head was changed by anything else meanwhile.
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
        LMRThumbnailSort::SortedHead head;
        auto items = numberedImages(randomNumbers(3000, 7));
        QVERIFY(LMRThumbnailSort::sortItems(items, 1, 1, &head));
        qint64 sortBy = 1;
        if (change == QLatin1String("reverse"))
            std::reverse(items.begin(), items.end());
        else if (change == QLatin1String("refill"))
            items = numberedImages(randomNumbers(3500, 8));
        else if (change == QLatin1String("key"))
            sortBy = 4;
        for (auto &item : numberedImages(randomNumbers(1001, 9)))
            items.push_back(item);
        // Sizes equal the numbers in the names, so both keys give the order of the names.
        auto expected = items;
        std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) {
            return LMRFileSystemItem::compareNames(*a, *b) < 0;
        });
        QVERIFY(LMRThumbnailSort::sortItems(items, sortBy, 1, &head));
        QCOMPARE(namesOf(items), namesOf(expected));
        QCOMPARE(head.keys.size(), items.size());
    }

    // A refresh frees the old items and makes new ones, which may be allocated exactly where the
    // old head's ends were: the remembered head must not be taken for the new list's.
    void rememberedHeadOfFreedItems()
    {
        SlotPool pool;
        LMRThumbnailSort::SortedHead head;
        std::vector<LMRImageItemPtr> items{pooledImage(pool, 1), pooledImage(pool, 2)};
        QVERIFY(LMRThumbnailSort::sortItems(items, 1, 1, &head));
        items.clear();
        const LMRImageItemPtr second = pooledImage(pool, 1);
        items = {pooledImage(pool, 2), second};
        QVERIFY(LMRThumbnailSort::sortItems(items, 1, 1, &head));
        QCOMPARE(namesOf(items), QStringList({"img1.jpg", "img2.jpg"}));
    }
};

LMR_REGISTER_TEST(ThumbnailSortTest);
#include "ThumbnailSortTest.moc"
