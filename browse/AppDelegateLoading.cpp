// The thumbnail loading workers and the main thread's side of them: which items are queued (the
// visible ones the cache cannot serve, in grid order), the workers' drains, and the redraws
// they hand back. A worker renders outside every lock, holds the queue lock only to take one
// item, and never holds two of the queue lock, the condition's lock, the redraw lock and the
// hand-over lock together.

#include "app/AppDelegate.h"

#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "model/PixelSize.h"
#include "prefs/Preferences.h"
#include "support/DebugWindowController.h"


#include <algorithm>

#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace {

// The size a render is made at, fixed when its item is taken: the renderer never holds a
// pointer to the grid, which may go away while a render is still running at exit.
class FixedThumbnailSize : public LMRThumbnailSizeSource
{
public:
    FixedThumbnailSize(qint64 size, qreal ratio) : m_size(size), m_ratio(ratio) {}
    qint64 itemSize() const override { return m_size; }
    qreal thumbnailPixelRatio() const override { return m_ratio; }

private:
    qint64 m_size;
    qreal m_ratio;
};

// The grid's current item size and device pixel ratio; a size of 0 once the delegate is going
// away.
FixedThumbnailSize currentItemSize(LMRThumbnailLoadingShared &shared)
{
    std::lock_guard<std::mutex> guard(shared.handOverLock);
    if (!shared.handOverReceiver || !shared.sizeSource)
        return {0, 1.0};
    return {shared.sizeSource->itemSize(), shared.sizeSource->thumbnailPixelRatio()};
}

void handOver(LMRThumbnailLoadingShared &shared, std::vector<LMRImageItemPtr> items);

// One worker's item is done (rendered when item is set): it joins the redraws, and a pair is
// handed over. The worker that finds the drain over (item null, nothing in flight) hands over
// a last single.
void finishItem(LMRThumbnailLoadingShared &shared, LMRImageItemPtr item, bool taken)
{
    std::vector<LMRImageItemPtr> ready;
    {
        std::lock_guard<std::mutex> guard(shared.redrawLock);
        if (item)
            shared.redraws.push_back(std::move(item));
        if (taken)
            --shared.inFlight;
        if (shared.redraws.size() >= 2 || (!taken && shared.inFlight == 0 && !shared.redraws.empty()))
            ready.swap(shared.redraws);
    }
    if (!ready.empty())
        handOver(shared, std::move(ready));
}

void handOver(LMRThumbnailLoadingShared &shared, std::vector<LMRImageItemPtr> items)
{
    ++shared.handOvers;
    if (items.size() == 1)
        ++shared.singleItemHandOvers;
    std::lock_guard<std::mutex> guard(shared.handOverLock);
    AppDelegate *receiver = shared.handOverReceiver;
    if (!receiver)
        return;
    // The receiver is the call's context: a call still queued when it is destroyed is dropped.
    QMetaObject::invokeMethod(
        receiver, [receiver, items = std::move(items)] { receiver->didReceiveItemsFromThumbnailLoadingThread(items); },
        Qt::QueuedConnection);
}

// Index of the first item of list equal to item, looking in [from, from + count) first: an item
// handed back is almost always still where it was when it was queued.
qint64 indexOfItemPreferring(const std::vector<LMRImageItemPtr> &list, const LMRImageItemPtr &item, qint64 from,
                             qint64 count)
{
    const quint64 hash = item->storedHash();
    const qint64 end = std::min<qint64>(from + count, qint64(list.size()));
    for (qint64 i = std::max<qint64>(from, 0); i < end; ++i)
        if (list[size_t(i)]->storedHash() == hash)
            return i;
    return LMRIndexOfItem(list, item);
}

} // namespace

void AppDelegate::queueLoadForVisibleThumbnails()
{
    ImageCollectionView *grid = thumbnailsCollectionView;
    if (!grid || !thumbnailLoading)
        return;
    const LMRIndexRange range = grid->visibleItemsRange();
    // The grid's count may lag behind the list by a batch; only items of the list are queued.
    const qint64 location = range.location;
    const qint64 length = std::min<qint64>(range.length, qint64(thumbnailItems.size()) - location);
    if (length <= 0)
        return;

    // The visible items by identity, and which of them the cache cannot serve. Only the cache
    // is asked: the pixel sizes the grid's drawing reads from the files' headers can wait until
    // the workers have their queue.
    const qint64 thumbnailSize = Preferences::sharedInstance().intZoomValue() * 96;
    const qreal ratio = grid->thumbnailPixelRatio();
    LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
    std::unordered_map<quint64, qint64> visibleIndex;
    visibleIndex.reserve(size_t(length));
    std::vector<bool> uncached(static_cast<size_t>(length));
    for (qint64 i = 0; i < length; ++i) {
        const LMRImageItemPtr &item = thumbnailItems[size_t(location + i)];
        visibleIndex.try_emplace(item->storedHash(), location + i);
        // An item refused for its size is not queued again: it would be refused again.
        uncached[size_t(i)] = cache.thumbnail(item->path(), thumbnailSize, ratio).isNull() && !item->isTooLargeToDecode();
    }

    {
        std::lock_guard<std::mutex> guard(thumbnailLoading->pendingThumbnailLoadsLock);
        std::vector<LMRImageItemPtr> queue;
        std::unordered_set<quint64> queued;
        queue.reserve(size_t(length));
        // What is still visible keeps its place at the front, in its old order.
        for (const LMRImageItemPtr &pending : thumbnailLoading->pendingThumbnailLoads) {
            const auto found = visibleIndex.find(pending->storedHash());
            if (found != visibleIndex.end() && queued.insert(found->first).second)
                queue.push_back(thumbnailItems[size_t(found->second)]);
        }
        // Then what came into view, from the first visible cell to the last, but for what a
        // worker is rendering right now: it was uncached only because it is not done yet.
        const auto &rendering = thumbnailLoading->renderingThumbnailLoads;
        const qint64 deviceSide = LMRPixelSize::deviceSide(thumbnailSize, ratio);
        const auto isRendering = [&rendering, deviceSide](quint64 hash) {
            const auto [first, last] = rendering.equal_range(hash);
            return std::any_of(first, last, [deviceSide](const auto &entry) { return entry.second == deviceSide; });
        };
        for (qint64 i = 0; i < length; ++i) {
            const LMRImageItemPtr &item = thumbnailItems[size_t(location + i)];
            const quint64 hash = item->storedHash();
            if (uncached[size_t(i)] && !isRendering(hash) && queued.insert(hash).second)
                queue.push_back(item);
        }
        thumbnailLoading->pendingThumbnailLoads.swap(queue);
    }
    signalThumbnailLoadingThread();
}

void AppDelegate::signalThumbnailLoadingThread()
{
    if (!thumbnailLoading)
        return;
    std::lock_guard<std::mutex> guard(thumbnailLoading->thumbnailLoadingSemaphoreLock);
    std::fill(thumbnailLoading->pauseThumbnailLoadingThread.begin(),
              thumbnailLoading->pauseThumbnailLoadingThread.end(), 0);
    thumbnailLoading->thumbnailLoadingSemaphore.notify_all();
}

void AppDelegate::thumbnailLoadingThreadMain(std::shared_ptr<LMRThumbnailLoadingShared> shared, int worker)
{
    LMRFileSystemImageItem::prepareRenderingThread();
    while (!shared->cancelled) {
        {
            std::unique_lock<std::mutex> lock(shared->thumbnailLoadingSemaphoreLock);
            char &paused = shared->pauseThumbnailLoadingThread[size_t(worker)];
            while (paused) {
                ++shared->sleepingWorkers;
                shared->thumbnailLoadingSemaphore.wait(lock);
                --shared->sleepingWorkers;
            }
            // The next pass sleeps unless signalled again meanwhile.
            paused = 1;
        }

        while (!shared->cancelled) {
            // The grid's size now, not the one the item was queued at: after a zoom the queue is
            // rebuilt only once the slider has settled, and meanwhile the new size is wanted.
            const FixedThumbnailSize sizeSource = currentItemSize(*shared);
            if (sizeSource.itemSize() <= 0)
                break;
            const qint64 deviceSide = LMRPixelSize::deviceSide(sizeSource.itemSize(), sizeSource.thumbnailPixelRatio());
            LMRImageItemPtr item;
            qint64 remaining = 0;
            {
                std::lock_guard<std::mutex> guard(shared->pendingThumbnailLoadsLock);
                std::vector<LMRImageItemPtr> &queue = shared->pendingThumbnailLoads;
                if (!queue.empty()) {
                    item = queue.front();
                    const quint64 hash = item->storedHash();
                    std::erase_if(queue, [hash](const LMRImageItemPtr &entry) { return entry->storedHash() == hash; });
                    remaining = qint64(queue.size());
                    shared->renderingThumbnailLoads.emplace(hash, deviceSide);
                    ++shared->inFlight;
                }
            }
            if (!item)
                break;
            if (DebugWindowController *debug = DebugWindowController::sharedInstance())
                debug->setPendingImageLoadsCount(remaining);

            const quint64 hash = item->storedHash();
            const bool rendered = shared->render ? shared->render(*item, sizeSource)
                                                 : item->loadThumbnailForCollectionView(&sizeSource);
            {
                // Only now that the thumbnail is stored (or failed): a queueing that looked the
                // item up before then may still queue it, and that render finds it cached.
                std::lock_guard<std::mutex> guard(shared->pendingThumbnailLoadsLock);
                auto &rendering = shared->renderingThumbnailLoads;
                const auto [first, last] = rendering.equal_range(hash);
                for (auto entry = first; entry != last; ++entry) {
                    if (entry->second == deviceSide) {
                        rendering.erase(entry);
                        break;
                    }
                }
            }
            finishItem(*shared, rendered ? std::move(item) : nullptr, true);
        }
        finishItem(*shared, nullptr, false);
        ++shared->drainPasses;
    }
    ++shared->endedWorkers;
}

int LMRThumbnailLoadingShared::defaultWorkerCount()
{
    if (const int requested = requestedWorkerCount.load(); requested > 0)
        return requested;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    // Each worker may hold the full decode of a large photograph (50 megapixels at four bytes):
    // no more of them run at once than the thumbnail cache's byte budget could hold. The single
    // decode limit (the whole budget) would allow one worker on every machine.
    constexpr qint64 perDecode = qint64(50'000'000) * 4;
    const qint64 affordable = LMRThumbnailRAMCache::sharedInstance().byteBudget() / perDecode;
    return int(std::clamp<qint64>(std::min<qint64>(cores, affordable), 1, 8));
}

void AppDelegate::didReceiveItemsFromThumbnailLoadingThread(const std::vector<LMRImageItemPtr> &items)
{
    ImageCollectionView *grid = thumbnailsCollectionView;
    if (!grid)
        return;
    const LMRIndexRange visible = grid->visibleItemsRange();
    std::vector<qint64> indices;
    indices.reserve(items.size());
    for (const LMRImageItemPtr &item : items) {
        // Items that left the list meanwhile (another folder, a deletion) are ignored.
        const qint64 index = indexOfItemPreferring(thumbnailItems, item, visible.location, visible.length);
        if (index >= 0)
            indices.push_back(index);
    }
    if (!indices.empty())
        grid->reloadItemsAtIndexPaths(indices);
}

void AppDelegate::didScrollCollectionView()
{
    // Every scroll event of one pass of the event loop ends in a single queueing.
    scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds(0));
}
