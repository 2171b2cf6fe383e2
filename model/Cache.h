#pragma once
// LMRCache: a keyed image store with an entry limit and least-recently-used eviction, safe to
// call from several threads (one re-entrant lock per operation). A store evicts while the
// entry count is at or above the limit, so after a store it holds at most limit - 1 entries.
// Beyond the entry limit it keeps a byte budget, evicting least recently used entries while
// the images it holds take more bytes than the budget: 2000 entries of 1536 x 1536 would
// otherwise take about 19 GB.
//
// LMRThumbnailRAMCache: the one process-wide thumbnail store. Keys are "<path>/<size>"; a miss
// for a size is served from a larger cached size (drawn down and stored), and every change
// reports the fill level to the debug window.

#include <QHash>
#include <QImage>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

#include <list>

class LMRCache
{
public:
    LMRCache();
    virtual ~LMRCache();

    virtual void setObject(const QImage &object, const QString &key);
    virtual QImage objectForKey(const QString &key);       // null image: nothing
    virtual void removeAllObjects();
    virtual bool removeObjectWithKeyEqualTo(const QString &key);

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

    void setObject(const QImage &object, const QString &key) override;
    QImage objectForKey(const QString &key) override;
    void removeAllObjects() override;
    bool removeObjectWithKeyEqualTo(const QString &key) override;

private:
    void reportFillLevel();
};
