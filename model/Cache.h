#pragma once
// LMRCache: a keyed image store with an entry limit and least-recently-used eviction, safe to
// call from several threads (one re-entrant lock per operation). A store evicts while the
// entry count is at or above the limit, so after a store it holds at most limit - 1 entries.
// Beyond the entry limit it keeps a byte budget, evicting least recently used entries while
// the images it holds take more bytes than the budget: 2000 entries of 1536 x 1536 would
// otherwise take about 19 GB.
//
// LMRThumbnailRAMCache: the one process-wide thumbnail store. Keys are "<path>/<size>" with the
// size in device pixels (the side in points times the screen's device pixel ratio); a miss for
// a size is served from a larger cached size (drawn down and stored), and every change reports
// the fill level to the debug window.

#include <QHash>
#include <QImage>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>

class LMRCache
{
public:
    LMRCache();
    virtual ~LMRCache();

    virtual void setObject(const QImage &object, const QString &key);
    virtual QImage objectForKey(const QString &key);       // null image: nothing
    // The widest image of the keys made of prefix and a number, not counted as a use of it;
    // null when there is none.
    QImage widestObjectWithNumberAfter(const QString &prefix) const;
    virtual void removeAllObjects();
    virtual bool removeObjectWithKeyEqualTo(const QString &key);
    // Removes every entry whose key the predicate accepts; answers how many went.
    qint64 removeObjectsWithKeys(const std::function<bool(const QString &key)> &predicate);

    qint64 limit() const;
    void setLimit(qint64 limit);
    qint64 byteBudget() const;
    void setByteBudget(qint64 bytes);
    // A quarter of physical memory, at most 2 GiB.
    static qint64 defaultByteBudget();

    qint64 count() const;
    qint64 bytes() const;
    QStringList usage() const;                              // least recently used first

protected:
    mutable QRecursiveMutex m_lock;

private:
    void evict(std::list<QString>::iterator position);   // lock held

    struct Entry {
        QImage image;
        std::list<QString>::iterator usagePosition;
    };
    QHash<QString, Entry> m_cache;
    std::list<QString> m_usage;
    qint64 m_limit = 2000;
    qint64 m_byteBudget;
    qint64 m_bytes = 0;
};

class LMRThumbnailRAMCache : public LMRCache
{
public:
    static LMRThumbnailRAMCache &sharedInstance();
    // "<path>/<size>"
    static QString keyFor(const QString &path, qint64 size);
    // The largest thumbnail of the file that is cached, whatever its size; null when none is.
    QImage largestThumbnailForPath(const QString &path) const;

    void setObject(const QImage &object, const QString &key) override;
    // The key's size is taken as a side in points at ratio 1.
    QImage objectForKey(const QString &key) override;
    // The thumbnail of a side in points for a screen of this device pixel ratio: the entry of
    // its device-pixel size, else one drawn down from the next larger side in points (in steps
    // of 96) that is cached at the same ratio. The image answers the ratio as its own, so it
    // paints at the side in points, one pixel to one device pixel.
    QImage thumbnail(const QString &path, qint64 side, qreal devicePixelRatio);
    void removeAllObjects() override;
    bool removeObjectWithKeyEqualTo(const QString &key) override;
    // Every size's thumbnail of the file at path (it changed on disk).
    void removeObjectsForPath(const QString &path);

private:
    void reportFillLevel();
};
