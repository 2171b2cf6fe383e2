#include "model/Cache.h"

#include "model/PixelSize.h"
#include "platform/ImageSource.h"
#include "support/DebugWindowController.h"

#include <QPainter>

namespace {
constexpr qint64 kLargestFallbackSource = 1441;   // the first candidate at or above it is the last
constexpr qint64 kLargestSynthesisedSize = 1440;
constexpr qint64 kSizeStep = 96;
} // namespace

LMRCache::LMRCache() : m_byteBudget(defaultByteBudget()) {}

LMRCache::~LMRCache() = default;

qint64 LMRCache::defaultByteBudget()
{
    // The thumbnails and a decode in flight answer to one share of memory.
    return LMRImageSource::decodeByteBudget();
}

void LMRCache::setObject(const QImage &object, const QString &key)
{
    QMutexLocker locker(&m_lock);
    auto found = m_cache.find(key);
    if (found == m_cache.end()) {
        m_usage.push_back(key);
        found = m_cache.insert(key, Entry{object, std::prev(m_usage.end())});
    } else {
        // A replacement is not a use: the key keeps its place in the order.
        m_bytes -= found->image.sizeInBytes();
        found->image = object;
    }
    m_bytes += object.sizeInBytes();

    // The entry limit is checked before the byte budget, and may take the new entry itself
    // when the limit is 1 or less.
    while (quint64(m_cache.size()) >= quint64(m_limit) && !m_usage.empty())
        evict(m_usage.begin());

    // The byte budget never takes the entry just stored: the caller is about to draw it, and
    // dropping it would only have it rendered again at once. So the cache can exceed its
    // budget by that one entry, until the next store.
    while (m_bytes > m_byteBudget && m_cache.size() > 1) {
        auto victim = m_usage.begin();
        if (*victim == key)
            ++victim;   // a replaced entry keeps its age, so it may well be the oldest
        evict(victim);
    }
}

void LMRCache::evict(std::list<QString>::iterator position)
{
    const auto found = m_cache.find(*position);
    m_usage.erase(position);
    if (found != m_cache.end()) {
        m_bytes -= found->image.sizeInBytes();
        m_cache.erase(found);
    }
}

QImage LMRCache::objectForKey(const QString &key)
{
    QMutexLocker locker(&m_lock);
    const auto found = m_cache.find(key);
    if (found == m_cache.end())
        return {};
    m_usage.splice(m_usage.end(), m_usage, found->usagePosition);
    return found->image;
}

QImage LMRCache::widestObjectWithNumberAfter(const QString &prefix) const
{
    QMutexLocker locker(&m_lock);
    QImage widest;
    for (auto it = m_cache.cbegin(); it != m_cache.cend(); ++it) {
        const QString &key = it.key();
        if (key.size() <= prefix.size() || !key.startsWith(prefix) || it->image.width() <= widest.width())
            continue;
        bool isNumber = false;
        (void)QStringView(key).mid(prefix.size()).toLongLong(&isNumber);
        if (isNumber)
            widest = it->image;
    }
    return widest;
}

void LMRCache::removeAllObjects()
{
    QMutexLocker locker(&m_lock);
    m_cache.clear();
    m_usage.clear();
    m_bytes = 0;
}

bool LMRCache::removeObjectWithKeyEqualTo(const QString &key)
{
    QMutexLocker locker(&m_lock);
    const auto found = m_cache.find(key);
    if (found == m_cache.end())
        return false;
    m_bytes -= found->image.sizeInBytes();
    m_usage.erase(found->usagePosition);
    m_cache.erase(found);
    return true;
}

qint64 LMRCache::removeObjectsWithKeys(const std::function<bool(const QString &key)> &predicate)
{
    QMutexLocker locker(&m_lock);
    qint64 removed = 0;
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (!predicate(it.key())) {
            ++it;
            continue;
        }
        m_bytes -= it->image.sizeInBytes();
        m_usage.erase(it->usagePosition);
        it = m_cache.erase(it);
        ++removed;
    }
    return removed;
}

qint64 LMRCache::limit() const
{
    QMutexLocker locker(&m_lock);
    return m_limit;
}

void LMRCache::setLimit(qint64 limit)
{
    QMutexLocker locker(&m_lock);
    m_limit = limit;
}

qint64 LMRCache::byteBudget() const
{
    QMutexLocker locker(&m_lock);
    return m_byteBudget;
}

void LMRCache::setByteBudget(qint64 bytes)
{
    QMutexLocker locker(&m_lock);
    m_byteBudget = bytes;
}

qint64 LMRCache::count() const
{
    QMutexLocker locker(&m_lock);
    return m_cache.size();
}

qint64 LMRCache::bytes() const
{
    QMutexLocker locker(&m_lock);
    return m_bytes;
}

QStringList LMRCache::usage() const
{
    QMutexLocker locker(&m_lock);
    return QStringList(m_usage.begin(), m_usage.end());
}

LMRThumbnailRAMCache &LMRThumbnailRAMCache::sharedInstance()
{
    static LMRThumbnailRAMCache instance;
    return instance;
}

QString LMRThumbnailRAMCache::keyFor(const QString &path, qint64 size)
{
    if (path.endsWith(u'/'))
        return path + QString::number(size);
    return path + u'/' + QString::number(size);
}

QImage LMRThumbnailRAMCache::largestThumbnailForPath(const QString &path) const
{
    return widestObjectWithNumberAfter(keyFor(path, 0).chopped(1));
}

void LMRThumbnailRAMCache::setObject(const QImage &object, const QString &key)
{
    LMRCache::setObject(object, key);
    reportFillLevel();
}

void LMRThumbnailRAMCache::removeAllObjects()
{
    LMRCache::removeAllObjects();
    reportFillLevel();
}

bool LMRThumbnailRAMCache::removeObjectWithKeyEqualTo(const QString &key)
{
    const bool removed = LMRCache::removeObjectWithKeyEqualTo(key);
    reportFillLevel();
    return removed;
}

void LMRThumbnailRAMCache::removeObjectsForPath(const QString &path)
{
    const QString base = path + QLatin1Char('/');
    const qint64 removed = removeObjectsWithKeys([&base](const QString &key) {
        if (!key.startsWith(base))
            return false;
        bool isNumber = false;
        (void)QStringView(key).mid(base.size()).toLongLong(&isNumber);
        return isNumber;
    });
    if (removed > 0)
        reportFillLevel();
}

QImage LMRThumbnailRAMCache::objectForKey(const QString &key)
{
    const qsizetype slash = key.lastIndexOf(u'/');
    bool isNumber = false;
    qint64 size = key.mid(slash + 1).toLongLong(&isNumber);
    if (!isNumber || slash < 0) {
        // Not a thumbnail key: a plain lookup, nothing to fall back to.
        return LMRCache::objectForKey(key);
    }
    return thumbnail(key.left(slash), size, 1.0);
}

QImage LMRThumbnailRAMCache::thumbnail(const QString &path, qint64 side, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const qint64 deviceSide = LMRPixelSize::deviceSide(side, ratio);
    const QString key = keyFor(path, deviceSide);
    QImage found = LMRCache::objectForKey(key);
    if (!found.isNull())
        return found;
    // There is nothing to draw into for a size of 0 or less.
    if (side > kLargestSynthesisedSize || side <= 0)
        return {};

    // Separate locked lookups: another thread may change the cache in between, and the worst
    // that can come of it is a thumbnail drawn twice. The steps are in points, so a screen of
    // any ratio finds the thumbnails of its own other zoom steps.
    for (qint64 candidate = side + kSizeStep;; candidate += kSizeStep) {
        found = LMRCache::objectForKey(keyFor(path, LMRPixelSize::deviceSide(candidate, ratio)));
        if (!found.isNull())
            break;
        if (candidate >= kLargestFallbackSource)
            return {};
    }

    QImage scaled(static_cast<int>(deviceSide), static_cast<int>(deviceSide), QImage::Format_ARGB32_Premultiplied);
    if (scaled.isNull())
        return {};
    {
        QPainter painter(&scaled);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setOpacity(1.0);
        // Source rectangle in the found image's pixels, whatever ratio it answers.
        painter.drawImage(QRectF(0, 0, deviceSide, deviceSide), found, QRectF(found.rect()));
    }
    scaled.setDevicePixelRatio(ratio);
    setObject(scaled, key);
    return scaled;
}

void LMRThumbnailRAMCache::reportFillLevel()
{
    // After the lock is released: the controller hands the text to the main thread and must
    // never be called with the cache locked.
    if (DebugWindowController *debug = DebugWindowController::sharedInstance())
        debug->setCacheCount(count(), limit());
}
