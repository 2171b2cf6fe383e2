#pragma once
// LMRFileSystemImageItem: the item that stands for one image, PDF or video in the thumbnail
// list. Beyond the file facts it knows the pixel size, decodes the whole file for the viewer
// and renders square thumbnails into the shared thumbnail cache.
//
// It holds no thumbnail and no decoder: thumbnails live only in the cache, and every decode
// opens its own source on the calling thread. The pixel fields are the only state it changes,
// each one 64-bit word written whole.

#include "model/FileSystemItem.h"
#include "platform/ImageSource.h"
#include "platform/SharedThumbnailCache.h"

#include <QImage>
#include <atomic>

// What the thumbnail renderer needs of the grid: its current item size in points, and the
// device pixel ratio of the screen it is on (thumbnails are rendered at size x ratio pixels).
class LMRThumbnailSizeSource
{
public:
    virtual ~LMRThumbnailSizeSource() = default;
    virtual qint64 itemSize() const = 0;
    virtual qreal thumbnailPixelRatio() const { return 1.0; }
};

class LMRFileSystemImageItem : public LMRFileSystemItem
{
public:
    explicit LMRFileSystemImageItem(const QString &path) : LMRFileSystemItem(path) {}
    explicit LMRFileSystemImageItem(const Facts &facts) : LMRFileSystemItem(facts) {}

    qint64 pixelWidth() const { return m_pixelWidth.load(std::memory_order_relaxed); }
    qint64 pixelHeight() const { return m_pixelHeight.load(std::memory_order_relaxed); }

    // The whole file decoded for the viewer; invalid when it does not decode. A bitmap sets the
    // pixel size. Safe on any thread.
    LMRImage fullSizeImage();
    // Whether a decode found that the file declares more pixels than may be decoded. Once set,
    // neither the viewer nor the thumbnail renderer touches the file again: its size will not
    // change while the item lives.
    bool isTooLargeToDecode() const { return m_tooLarge.load(std::memory_order_relaxed); }
    // The cached thumbnail of this side in points for a screen of the given device pixel ratio
    // (possibly drawn down from a larger cached one), then makes the pixel size known: once
    // only for a file whose header cannot be read, since the grid asks on every paint of the
    // cell (the renderer still reads it, and a changed file becomes a new item). Never renders.
    // Null when none is cached.
    QImage cachedThumbnailWithSize(qint64 size, qreal devicePixelRatio = 1.0);
    // The largest cached thumbnail without its transparent margin: the picture alone, for the
    // viewer to stretch over the full image's frame until the image is decoded. Null when no
    // thumbnail is cached or the pixel size is not known yet. Never reads the file.
    QImage cachedPicture() const;
    // Reads the pixel size from the file's header unless it is known already.
    void cacheImageSize();
    // Whether an embedded preview is one of the letterboxed 160 x 120 previews cameras write
    // for pictures that are not 4:3 landscape. Needs only the full image's header size.
    bool isBadEmbeddedThumbnail(const QImage &thumbnail, LMRImageSource &source) const;
    // Renders the thumbnail at the grid's item size times its device pixel ratio into the shared
    // cache. True when this call stored a new thumbnail; false when one was cached already or
    // nothing could be made. Runs on the loading thread.
    bool loadThumbnailForCollectionView(const LMRThumbnailSizeSource *view);
    // Called once by each loading worker before it takes its first item, off the main thread:
    // touches the memory and the code its first renders use, so that the first folder does not
    // pay for them.
    static void prepareRenderingThread();
    // The raster fitted and centred into a new transparent size x size image.
    static QImage nsImageFromCGImage(const QImage &raster, qint64 size);
    // Where nsImageFromCGImage draws a picture of this size in a square of side size.
    static QRectF pictureRectInSquare(QSizeF pictureSize, qint64 size);

    // The cache key of a thumbnail of this many device pixels a side.
    QString thumbnailKey(qint64 size) const;

protected:
    // The shared thumbnail cache as one render uses it: absent when switched off, for files
    // inside the cache and for files that cannot be examined.
    struct SharedThumbnails {
        LMRSharedThumbnailCache *cache = nullptr;
        LMRSharedThumbnailCache::FileStamp stamp;
        int standardSize = 0;    // 0: the wanted size is beyond the standard's largest

        void store(const LMRFileSystemImageItem &item, const QImage &image) const;
        void storeFailure(const LMRFileSystemImageItem &item) const;
    };
    SharedThumbnails sharedThumbnails(qint64 size) const;
    // The raster brought down smoothly to fit size x size when it is larger.
    static QImage fittedForSquare(const QImage &raster, qint64 size);

    std::atomic<qint64> m_pixelWidth{0};
    std::atomic<qint64> m_pixelHeight{0};
    std::atomic<bool> m_tooLarge{false};
    std::atomic<bool> m_sizeUnreadable{false};
};
