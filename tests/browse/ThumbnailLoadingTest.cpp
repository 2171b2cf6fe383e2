#include "BrowseTestSupport.h"
#include "support/ClickableImageView.h"

#include "model/Cache.h"

#include <condition_variable>
#include <mutex>

using namespace lmrbrowse;

namespace {

// A renderer that stores a small image at the requested size, like the real one does, and can
// be held at a gate to see what the thread and the queue do meanwhile.
struct FakeRenderer {
    std::mutex lock;
    std::condition_variable changed;
    bool gateOpen = true;
    int waiting = 0;
    QStringList taken;             // names of the items begun, in the order the workers began them
    QStringList rendered;          // names of the items stored, in the order they were done

    // The thread may outlive the test (nobody waits for it), so it holds the renderer too.
    static std::shared_ptr<FakeRenderer> install(LMRThumbnailLoadingShared &shared)
    {
        auto renderer = std::make_shared<FakeRenderer>();
        shared.render = [renderer](LMRFileSystemImageItem &item, const LMRThumbnailSizeSource &size) {
            return renderer->render(item, size);
        };
        return renderer;
    }
    bool render(LMRFileSystemImageItem &item, const LMRThumbnailSizeSource &size)
    {
        std::unique_lock<std::mutex> guard(lock);
        // Like the real renderer, an item already cached costs nothing: only a render begun on
        // an uncached item, or begun while another worker still renders it, counts as taken.
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        const QString key = item.thumbnailKey(size.itemSize());
        if (!cache.objectForKey(key).isNull())
            return false;
        taken << item.name();
        ++waiting;
        changed.notify_all();
        changed.wait(guard, [this] { return gateOpen; });
        --waiting;
        if (!cache.objectForKey(key).isNull())
            return false;
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::gray);
        cache.setObject(image, key);
        rendered << item.name();
        return true;
    }
    void setGate(bool open)
    {
        std::lock_guard<std::mutex> guard(lock);
        gateOpen = open;
        changed.notify_all();
    }
    int waitingCount() { std::lock_guard<std::mutex> guard(lock); return waiting; }
    QStringList renderedNames() { std::lock_guard<std::mutex> guard(lock); return rendered; }
    QStringList takenNames() { std::lock_guard<std::mutex> guard(lock); return taken; }
};

QStringList pendingNames(LMRThumbnailLoadingShared &shared)
{
    std::lock_guard<std::mutex> guard(shared.pendingThumbnailLoadsLock);
    return namesOf(shared.pendingThumbnailLoads);
}

// Workers take items in queue order under one lock, but several of them reach the renderer in
// whatever order the scheduler lets them: only a single worker's order is its taking order.
QStringList inTakingOrder(QStringList names, int workers)
{
    if (workers > 1)
        names.sort();
    return names;
}

std::vector<LMRImageItemPtr> imagesIn(const QString &folder, int count)
{
    std::vector<LMRImageItemPtr> items;
    for (int i = 0; i < count; ++i)
        items.push_back(makeItem({QStringLiteral("img%1.jpg").arg(i, 4, 10, QLatin1Char('0')), 1000}, folder));
    return items;
}

// The number of loading workers while it lives; the pool's rules must hold for one as for many.
struct Workers {
    explicit Workers(int count) { LMRThumbnailLoadingShared::requestedWorkerCount = count; }
    ~Workers() { LMRThumbnailLoadingShared::requestedWorkerCount = 0; }
};

} // namespace

class ThumbnailLoadingTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { LMRThumbnailRAMCache::sharedInstance().removeAllObjects(); }

    // Every visible item rendered once, taken in grid order, redrawn two at a time with a last
    // single, whichever worker rendered it.
    void handOversInPairs_data()
    {
        lmrtest::columns<int, int, int, int>({"workers", "visible", "handOvers", "singles"});
        QTest::newRow("30 items, one worker") << 1 << 30 << 15 << 0;
        QTest::newRow("31 items, one worker") << 1 << 31 << 16 << 1;
        QTest::newRow("30 items, three workers") << 3 << 30 << 15 << 0;
        QTest::newRow("31 items, three workers") << 3 << 31 << 16 << 1;
    }
    void handOversInPairs()
    {
        QFETCH(int, workers);
        QFETCH(int, visible);
        QFETCH(int, handOvers);
        QFETCH(int, singles);
        const Workers pool(workers);
        AppDelegate app;
        QVERIFY(launch(app));
        const auto renderer = FakeRenderer::install(*app.thumbnailLoading);
        const auto openGate = qScopeGuard([renderer] { renderer->setGate(true); });
        const auto items = imagesIn(QStringLiteral("/lmr-pairs-%1").arg(visible), visible);
        listAll(app, items);
        QCOMPARE(app.thumbnailsCollectionView->visibleItemsRange(), (LMRIndexRange{0, visible}));

        QCOMPARE(app.thumbnailLoading->workers.load(), workers);
        QTRY_COMPARE(renderer->renderedNames().size(), visible);
        QTRY_VERIFY(app.thumbnailLoading->sleeping());
        QTRY_COMPARE(app.thumbnailLoading->singleItemHandOvers.load(), singles);
        QCOMPARE(inTakingOrder(renderer->takenNames(), workers), namesOf(items));
        // A queueing that looked an item up just before the thread stored it may queue it once
        // more; the thread then finds it cached and hands nothing over, so wait for the drain.
        QTRY_VERIFY(pendingNames(*app.thumbnailLoading).isEmpty());
        QCOMPARE(app.thumbnailLoading->handOvers.load(), handOvers);
    }

    // While the first screen loads, a jump to the end leaves only what is now visible queued,
    // from its first cell on; the first screen's remaining items are never rendered. Each
    // worker holds one of the first items meanwhile, and none is queued again.
    void scrollingAwayDropsQueuedItems_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("one worker") << 1;
        QTest::newRow("three workers") << 3;
    }
    void scrollingAwayDropsQueuedItems()
    {
        QFETCH(int, workers);
        const Workers pool(workers);
        AppDelegate app;
        QVERIFY(launch(app));
        const auto renderer = FakeRenderer::install(*app.thumbnailLoading);
        const auto openGate = qScopeGuard([renderer] { renderer->setGate(true); });
        renderer->setGate(false);
        const auto items = imagesIn(QStringLiteral("/lmr-scroll"), 400);
        listAll(app, items);
        ImageCollectionView *grid = app.thumbnailsCollectionView;
        const LMRIndexRange first = grid->visibleItemsRange();
        QVERIFY(first.length > 2 && first.length < 200);
        QTRY_COMPARE(renderer->waitingCount(), workers);   // holding the first items
        const QStringList firstItems = namesOf({items.begin(), items.begin() + workers});
        QCOMPARE(inTakingOrder(renderer->takenNames(), workers), firstItems);
        // A queueing while they render (the listing's next batch, a scroll) leaves them out:
        // they are uncached only because they are not done, and another worker would render
        // them a second time.
        app.queueLoadForVisibleThumbnails();
        QCOMPARE(pendingNames(*app.thumbnailLoading),
                 namesOf({items.begin() + workers, items.begin() + first.location + first.length}));

        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
        const LMRIndexRange last = grid->visibleItemsRange();
        QVERIFY(last.location >= first.location + first.length);
        // The scroll queues at the next pass of the event loop.
        QTRY_COMPARE(pendingNames(*app.thumbnailLoading).value(0), items[size_t(last.location)]->name());
        QStringList expected;
        for (qint64 i = last.location; i < last.location + last.length; ++i)
            expected << items[size_t(i)]->name();
        QCOMPARE(pendingNames(*app.thumbnailLoading), expected);

        renderer->setGate(true);
        QTRY_COMPARE(renderer->renderedNames().size(), workers + int(last.length));
        QTRY_VERIFY(app.thumbnailLoading->sleeping());
        QCOMPARE(inTakingOrder(renderer->takenNames(), workers), inTakingOrder(firstItems + expected, workers));
    }

    // The item size of each step (the navigation test checks only the steps), and the icons'
    // commands at the ends of the range.
    void zoom_data()
    {
        lmrtest::columns<int, bool, qint64, qint64>({"start", "in", "stored", "itemSize"});
        // A stored value that differs from the slider shows whether anything was stored.
        QTest::newRow("in at the maximum stores nothing") << 16 << true << qint64(5) << qint64(16 * 96);
        QTest::newRow("out at the minimum stores nothing") << 1 << false << qint64(5) << qint64(96);
        QTest::newRow("in from 2") << 2 << true << qint64(3) << qint64(288);
    }
    void zoom()
    {
        QFETCH(int, start);
        QFETCH(bool, in);
        QFETCH(qint64, itemSize);
        AppDelegate app;
        QVERIFY(launch(app));
        app.thumbnailZoomSlider->setValue(start);
        Preferences::sharedInstance().setIntZoomValue(5);
        if (in)
            app.zoomIn(app.largerThumbnailsIcon.data());
        else
            app.zoomOut(app.smallerThumbnailsIcon.data());
        QTEST(Preferences::sharedInstance().intZoomValue(), "stored");
        QCOMPARE(app.thumbnailsCollectionView->itemSize(), itemSize);
    }

    // The window goes away while every worker renders: nothing waits for the renders, and
    // their results, when they come, reach nobody.
    void exitDoesNotWaitForRendering()
    {
        const Workers pool(3);
        auto *app = new AppDelegate;
        QVERIFY(launch(*app));
        const auto renderer = FakeRenderer::install(*app->thumbnailLoading);
        const auto openGate = qScopeGuard([renderer] { renderer->setGate(true); });
        renderer->setGate(false);
        const std::shared_ptr<LMRThumbnailLoadingShared> shared = app->thumbnailLoading;
        listAll(*app, imagesIn(QStringLiteral("/lmr-exit"), 20));
        QTRY_COMPARE(renderer->waitingCount(), 3);

        app->applicationWillTerminate();
        delete app;
        QCOMPARE(renderer->waitingCount(), 3);   // still rendering: nobody waited
        QCOMPARE(shared->endedWorkers.load(), 0);

        renderer->setGate(true);
        QTRY_VERIFY(shared->ended());
        QCOMPARE(renderer->renderedNames().size(), 3);   // cancelled before their next items
        QTest::qWait(10);   // a dropped hand-over would be delivered here, to a deleted object
    }
};

LMR_REGISTER_TEST(ThumbnailLoadingTest);
#include "ThumbnailLoadingTest.moc"
