#pragma once
// The desktop's shared thumbnail cache: PNG files under $XDG_CACHE_HOME/thumbnails (else
// ~/.cache/thumbnails), one folder per standard size, each named after the MD5 of the file's
// URI and carrying that URI and the file's modification time. A thumbnail made by any program
// is used by every other one until the file changes; a file that could not be thumbnailed gets
// an entry in this program's own fail folder, so that later runs do not try it again.
//
// Reads run on the calling thread (the loading workers). Writes go to one writer thread of idle
// priority and never make a caller wait: when the writer falls behind, new work is dropped and
// rendered again another time. Every file appears by an atomic rename, so a reader never sees
// half a PNG. Nothing is read or written for files inside the cache folder itself.
//
// It does not clean the cache up (entries of deleted files, old fail entries): that is left to
// the desktop's own tools, as the thumbnail standard has it.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class LMRSharedThumbnailCache
{
public:
    static LMRSharedThumbnailCache &sharedInstance();

    // The smallest standard size (128, 256, 512, 1024) of at least wanted pixels; 0 beyond 1024.
    static int standardSizeFor(qint64 wantedPixels);
    // The file's URI as the desktop spells it: file:// and the path's bytes, escaped but for
    // letters, digits, "/" and !$&'()*+,-.:=@_~.
    static QByteArray fileURI(const QString &path);
    // MD5 of the URI in lower-case hex, and ".png".
    static QString entryName(const QString &path);

    // What an entry is checked against: the file's modification time in whole seconds and its
    // size in bytes. None when the file cannot be examined.
    struct FileStamp {
        qint64 mtime = 0;
        quint64 size = 0;
    };
    static std::optional<FileStamp> stampOf(const QString &path);

    QString rootPath() const;
    // Tests and benchmarks keep their thumbnails apart; empty goes back to the environment's.
    void setRootPath(const QString &path);
    bool isInsideCache(const QString &path) const;
    // Where the thumbnail of a standard size, and the fail entry, of a file would be.
    QString entryPath(const QString &path, int standardSize) const;
    QString failureEntryPath(const QString &path) const;

    struct Thumbnail {
        QImage image;
        QSize originalSize;   // the picture's own pixel size when the entry states it
    };
    // A valid thumbnail of at least wantedPixels (the smallest such standard size first, then
    // the larger ones), made by this program or any other. None for files inside the cache.
    std::optional<Thumbnail> lookup(const QString &path, const FileStamp &stamp, qint64 wantedPixels) const;
    // Whether this program's fail entry for the file is still valid (the file did not change).
    bool hasFailureEntry(const QString &path, const FileStamp &stamp) const;

    // Queue an entry for the writer; image is scaled down to standardSize there if larger.
    // Returns at once; false when nothing was queued (inside the cache, no such size, full).
    bool store(const QString &path, const FileStamp &stamp, const QString &mimeType, const QImage &image,
               QSize originalSize, int standardSize);
    bool storeFailure(const QString &path, const FileStamp &stamp, const QString &mimeType);
    // Every size's entry and the fail entry of a file, at once (a file moved to the Trash).
    void removeEntries(const QString &path);

    // Until the queued entries are written or the time is up (benchmarks and tests); true when
    // nothing is left to write.
    bool waitForPendingWrites(int timeoutMs);
    // The writer stops after the file it is writing and what is still queued is dropped (at
    // exit). A later entry starts it again.
    void stopWriting();

    // The PNG of a thumbnail: the image with the given text chunks as plain tEXt, which the
    // desktop's readers require (Qt's writer compresses longer texts).
    static QByteArray encodePng(const QImage &image, const QList<QPair<QByteArray, QByteArray>> &texts);
    // Called by the writer between the two halves of an entry's bytes (tests only).
    static void setMidWriteHookForTesting(std::function<void(const QString &finalPath)> hook);

    struct Writer;

private:
    LMRSharedThumbnailCache();

    std::shared_ptr<Writer> m_writer;
};
