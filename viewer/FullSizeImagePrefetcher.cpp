#include "viewer/FullSizeImagePrefetcher.h"

#include "model/PixelSize.h"
#include "viewer/ScalingImageView.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct Entry {
    LMRImageItemPtr item;
    LMRFullSizeImagePrefetcher::Result result;
    bool ready = false;
};

} // namespace

// Everything the workers touch lives here, held by every side, so a worker still decoding when
// the viewer goes away finishes on memory that is still there.
struct LMRFullSizeImagePrefetcher::Shared {
    mutable std::mutex lock;
    std::condition_variable changed;
    // The shown item first, then the neighbours in the order they are wanted.
    std::vector<Entry> entries;
    std::vector<LMRImageItemPtr> decoding;
    QSize area;
    qreal devicePixelRatio = 1.0;
    bool cancelled = false;
    std::function<void(const LMRImageItemPtr &)> decoded;

    Entry *find(const LMRImageItemPtr &item)
    {
        for (Entry &entry : entries) {
            if (entry.item == item)
                return &entry;
        }
        return nullptr;
    }

    bool isDecoding(const LMRImageItemPtr &item) const
    {
        return std::find(decoding.begin(), decoding.end(), item) != decoding.end();
    }

    // The next entry to decode, or null; called under the lock.
    Entry *nextPending()
    {
        for (Entry &entry : entries) {
            if (!entry.ready && !isDecoding(entry.item))
                return &entry;
        }
        return nullptr;
    }
};

LMRFullSizeImagePrefetcher::LMRFullSizeImagePrefetcher() : m_shared(std::make_shared<Shared>())
{
    for (int i = 0; i < kWorkerCount; ++i)
        std::thread(run, m_shared).detach();
}

LMRFullSizeImagePrefetcher::~LMRFullSizeImagePrefetcher()
{
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->cancelled = true;
        m_shared->entries.clear();
        m_shared->decoded = nullptr;
    }
    m_shared->changed.notify_all();
}

LMRFullSizeImagePrefetcher::Result LMRFullSizeImagePrefetcher::decode(const LMRImageItemPtr &item, QSize area,
                                                                      qreal devicePixelRatio)
{
    Result result;
    result.image = item->fullSizeImage();
    if (!result.image.isValid() || area.isEmpty())
        return result;
    // The same numbers the viewer's fit will produce, so the view finds its drawing made.
    const QSizeF pixels = LMRPixelSize::pixelSize(result.image);
    const float scale = LMRScalingImageView::fittingScale(pixels, QSizeF(area));
    const QSize widget = LMRScalingImageView::widgetSizeForFrame(LMRScalingImageView::frameSizeForScale(pixels, scale));
    result.fitted = LMRScalingImageView::scaledImage(result.image.image, widget, devicePixelRatio);
    return result;
}

void LMRFullSizeImagePrefetcher::run(std::shared_ptr<Shared> shared)
{
    std::unique_lock<std::mutex> guard(shared->lock);
    for (;;) {
        shared->changed.wait(guard, [&] { return shared->cancelled || shared->nextPending(); });
        if (shared->cancelled)
            return;
        const LMRImageItemPtr item = shared->nextPending()->item;
        const QSize area = shared->area;
        const qreal ratio = shared->devicePixelRatio;
        shared->decoding.push_back(item);
        guard.unlock();
        Result result = decode(item, area, ratio);
        guard.lock();
        shared->decoding.erase(std::find(shared->decoding.begin(), shared->decoding.end(), item));
        // Looked up again: the list may have changed while the lock was not held.
        if (Entry *entry = shared->find(item)) {
            entry->result = std::move(result);
            entry->ready = true;
            if (shared->decoded)
                shared->decoded(item);
        }
        shared->changed.notify_all();
    }
}

void LMRFullSizeImagePrefetcher::setWanted(const LMRImageItemPtr &shown,
                                           const std::vector<LMRImageItemPtr> &neighbours, QSize area,
                                           qreal devicePixelRatio)
{
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        std::vector<Entry> entries;
        if (shown) {
            Entry *held = m_shared->find(shown);
            entries.push_back(held ? std::move(*held) : Entry{shown, {}, false});
        }
        for (const LMRImageItemPtr &item : neighbours) {
            if (entries.size() >= kMaxNeighbours + 1)
                break;
            const bool duplicate = std::any_of(entries.begin(), entries.end(),
                                               [&](const Entry &entry) { return entry.item == item; });
            if (!item || duplicate)
                continue;
            if (Entry *held = m_shared->find(item))
                entries.push_back(std::move(*held));
            else
                entries.push_back(Entry{item, {}, false});
        }
        m_shared->entries = std::move(entries);
        m_shared->area = area;
        m_shared->devicePixelRatio = devicePixelRatio;
    }
    m_shared->changed.notify_all();
}

void LMRFullSizeImagePrefetcher::setDecodedCallback(std::function<void(const LMRImageItemPtr &)> decoded)
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->decoded = std::move(decoded);
}

std::optional<LMRFullSizeImagePrefetcher::Result> LMRFullSizeImagePrefetcher::decodedResult(
    const LMRImageItemPtr &item) const
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    for (const Entry &entry : m_shared->entries) {
        if (entry.item == item && entry.ready)
            return entry.result;
    }
    return std::nullopt;
}

bool LMRFullSizeImagePrefetcher::isReady(const LMRImageItemPtr &item) const
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    for (const Entry &entry : m_shared->entries) {
        if (entry.item == item)
            return entry.ready;
    }
    return false;
}

void LMRFullSizeImagePrefetcher::waitUntilIdle()
{
    std::unique_lock<std::mutex> guard(m_shared->lock);
    m_shared->changed.wait(guard, [&] {
        return m_shared->cancelled || (m_shared->decoding.empty() && !m_shared->nextPending());
    });
}
