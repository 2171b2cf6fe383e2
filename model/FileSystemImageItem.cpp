#include "model/FileSystemImageItem.h"

#include "model/Cache.h"
#include "model/PixelSize.h"
#include "platform/ColorManagement.h"
#include "platform/SharedThumbnailCache.h"
#include "platform/VideoSource.h"
#include "prefs/Preferences.h"
#include "support/HeapMemory.h"
#include "support/Log.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <cmath>
#include <unistd.h>

namespace {
// Beyond any grid zoom; keeps a bogus item size from asking for a gigapixel square.
constexpr qint64 kLargestThumbnail = 8192;
}

QString LMRFileSystemImageItem::thumbnailKey(qint64 size) const
{
    return LMRThumbnailRAMCache::keyFor(path(), size);
}

LMRImage LMRFileSystemImageItem::fullSizeImage()
{
    if (isTooLargeToDecode()) {
        LMRImage refused;
        refused.failure = LMRImage::Failure::TooLarge;
        return refused;
    }
    LMRImage image = LMRImageSource::decodeFile(path(), UTI());
    if (image.failure == LMRImage::Failure::TooLarge)
        m_tooLarge.store(true, std::memory_order_relaxed);
    if (!image.isValid())
        return image;
    if (image.isBitmap) {
        m_pixelWidth.store(image.image.width(), std::memory_order_relaxed);
        m_pixelHeight.store(image.image.height(), std::memory_order_relaxed);
    }
    return image;
}

QImage LMRFileSystemImageItem::cachedThumbnailWithSize(qint64 size, qreal devicePixelRatio)
{
    QImage image = LMRThumbnailRAMCache::sharedInstance().thumbnail(path(), size, devicePixelRatio);
    if (!m_sizeUnreadable.load(std::memory_order_relaxed)) {
        cacheImageSize();
        if (pixelWidth() == 0 || pixelHeight() == 0)
            m_sizeUnreadable.store(true, std::memory_order_relaxed);
    }
    return image;
}

QImage LMRFileSystemImageItem::cachedPicture() const
{
    const QSizeF pixels(pixelWidth(), pixelHeight());
    const QImage square = LMRThumbnailRAMCache::sharedInstance().largestThumbnailForPath(path());
    if (square.isNull() || pixels.isEmpty() || square.width() != square.height())
        return {};
    // Inside the picture's edges, which the square's drawing may have left half covered.
    const QRectF picture = pictureRectInSquare(pixels, square.width());
    const QRect inner(QPoint(int(std::ceil(picture.left())), int(std::ceil(picture.top()))),
                      QPoint(int(std::floor(picture.right())) - 1, int(std::floor(picture.bottom())) - 1));
    return inner.isEmpty() ? QImage() : square.copy(inner);
}

void LMRFileSystemImageItem::cacheImageSize()
{
    if (pixelHeight() != 0 && pixelWidth() != 0)
        return;
    auto source = LMRImageSource::open(path(), UTI());
    if (!source)
        return;
    const QSize size = source->pixelSize();
    if (size.width() <= 0 || size.height() <= 0)
        return;
    // The properties come as floating-point numbers; stored truncated, as they always were.
    m_pixelWidth.store(qint64(float(size.width())), std::memory_order_relaxed);
    m_pixelHeight.store(qint64(float(size.height())), std::memory_order_relaxed);
}

bool LMRFileSystemImageItem::isBadEmbeddedThumbnail(const QImage &thumbnail, LMRImageSource &source) const
{
    // The header's size stands for the full image: decoding a whole camera file to judge a
    // 160 x 120 preview would cost more than the thumbnail it saves.
    const QSize full = source.pixelSize();
    if (full.width() <= 0 || full.height() <= 0)
        return false;
    if (thumbnail.width() != 160 || thumbnail.height() != 120)
        return false;
    if (full.width() <= full.height())
        return true;
    const float ratio = float(full.width()) / float(full.height());
    return std::fabs(double(ratio) - 1.3333334) > 0.1;
}

bool LMRFileSystemImageItem::loadThumbnailForCollectionView(const LMRThumbnailSizeSource *view)
{
    const qint64 points = view ? view->itemSize() : 0;
    const qreal ratio = view && view->thumbnailPixelRatio() > 0 ? view->thumbnailPixelRatio() : 1.0;
    // Everything below works in device pixels: the square, the decode size and the cache key.
    const qint64 size = LMRPixelSize::deviceSide(points, ratio);
    if (points <= 0 || size <= 0 || size > kLargestThumbnail)
        return false;
    LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
    const QString key = thumbnailKey(size);
    if (!cache.thumbnail(path(), points, ratio).isNull() || isTooLargeToDecode())
        return false;

    // The desktop's shared thumbnails come before any decoder: a folder seen before, by this
    // program or another, costs one small PNG an item.
    SharedThumbnails disk = sharedThumbnails(size);
    if (disk.cache) {
        if (auto found = disk.cache->lookup(path(), disk.stamp, size)) {
            if (found->originalSize.width() > 0 && found->originalSize.height() > 0 && pixelWidth() == 0
                && pixelHeight() == 0) {
                m_pixelWidth.store(found->originalSize.width(), std::memory_order_relaxed);
                m_pixelHeight.store(found->originalSize.height(), std::memory_order_relaxed);
            }
            // Entries are sRGB (or say what they are), as decoded files are not yet.
            const QImage picture = LMRColorManagement::convertToOutput(found->image);
            QImage square = nsImageFromCGImage(fittedForSquare(picture, size), size);
            if (square.isNull())
                return false;
            square.setDevicePixelRatio(ratio);
            cache.setObject(square, key);
            return true;
        }
        if (disk.cache->hasFailureEntry(path(), disk.stamp))
            return false;
    }
    // Renders that cost a full decode are made at the shared cache's standard size, so that
    // what is written serves this size and the ones up to it next time.
    const int renderSize = int(qMax<qint64>(size, disk.standardSize));

    auto source = LMRImageSource::open(path(), UTI());
    if (!source) {
        LMRLog(QStringLiteral("! CGImageSourceCreateWithURL() failed for %1")
                   .arg(URL().toString(QUrl::FullyEncoded)));
        const LMRImage image = fullSizeImage();
        if (!image.isValid()) {
            disk.storeFailure(*this);
            return false;
        }
        cache.setObject(image.image, key);
        disk.store(*this, image.image);
        return true;
    }
    cacheImageSize();

    const int maxPixelSize = int(size);
    QImage thumbnail;
    bool decoded = true;     // false for an embedded preview, which is cheaper to read than a PNG
    if (Preferences::sharedInstance().highQualityThumbnails()) {
        thumbnail = source->thumbnail(renderSize);
    } else {
        thumbnail = source->embeddedPreview(maxPixelSize);
        if (!thumbnail.isNull() && isBadEmbeddedThumbnail(thumbnail, *source))
            thumbnail = QImage();
        decoded = thumbnail.isNull();
        if (thumbnail.isNull())
            thumbnail = source->thumbnail(renderSize);
    }
    if (source->isTooLarge()) {
        // Refused by its declared size, which is not a video's: no other decoder is tried.
        m_tooLarge.store(true, std::memory_order_relaxed);
        return false;
    }
    source.reset();     // the decoder's buffers go before the next one is opened

    if (thumbnail.isNull()) {
        auto asset = LMRVideoAsset::open(path(), UTI());
        const LMRMediaTime time = asset ? asset->duration().halved() : LMRMediaTime{};
        if (asset) {
            thumbnail = asset->frameAtTime(time, renderSize);
            if (const auto trackSize = asset->firstVideoTrackSize()) {
                m_pixelHeight.store(trackSize->height(), std::memory_order_relaxed);
                m_pixelWidth.store(trackSize->width(), std::memory_order_relaxed);
            }
            if (asset->isTooLarge())
                m_tooLarge.store(true, std::memory_order_relaxed);
        }
        if (thumbnail.isNull()) {
            disk.storeFailure(*this);
            return false;
        }
        decoded = true;
    }

    QImage square = nsImageFromCGImage(fittedForSquare(thumbnail, size), size);
    if (!square.isNull()) {
        square.setDevicePixelRatio(ratio);
        cache.setObject(square, key);
    }
    if (decoded)
        disk.store(*this, thumbnail);
    return true;
}

void LMRFileSystemImageItem::prepareRenderingThread()
{
    // 16 MB of this thread's heap made ready for its next buffers: the decode buffer it keeps
    // (a 1080p picture) and 24 squares at the default zoom.
    LMRImageSource::keepDecodeBuffersOnThisThread();
    LMRHeapMemory::prefault(16 * 1024 * 1024, true);

    // The path of a thumbnail read from the disk cache once through, small: the PNG reader,
    // the smooth scaling and the painter set themselves up for this thread.
    QImage picture(32, 18, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "png");
    }
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    nsImageFromCGImage(fittedForSquare(reader.read(), 16), 16);
}

LMRFileSystemImageItem::SharedThumbnails LMRFileSystemImageItem::sharedThumbnails(qint64 size) const
{
    SharedThumbnails disk;
    if (!Preferences::sharedInstance().diskThumbnails())
        return disk;
    LMRSharedThumbnailCache &shared = LMRSharedThumbnailCache::sharedInstance();
    if (shared.isInsideCache(path()))
        return disk;
    // The file as it is now, not as it was listed: an entry must match what is decoded.
    const auto stamp = LMRSharedThumbnailCache::stampOf(path());
    if (!stamp)
        return disk;
    disk.cache = &shared;
    disk.stamp = *stamp;
    disk.standardSize = LMRSharedThumbnailCache::standardSizeFor(size);
    return disk;
}

void LMRFileSystemImageItem::SharedThumbnails::store(const LMRFileSystemImageItem &item, const QImage &image) const
{
    // Entries are read by every program as sRGB; pixels converted for a display's own profile
    // would show wrong colours everywhere else.
    if (!cache || standardSize == 0 || !LMRColorManagement::displayProfile().isEmpty())
        return;
    cache->store(item.path(), stamp, item.UTI(), image, QSize(int(item.pixelWidth()), int(item.pixelHeight())),
                 standardSize);
}

void LMRFileSystemImageItem::SharedThumbnails::storeFailure(const LMRFileSystemImageItem &item) const
{
    // A file this program may not read is not one that cannot be thumbnailed: once its
    // permissions change (which leaves its time alone) it must be tried again.
    if (cache && ::access(QFile::encodeName(item.path()).constData(), R_OK) == 0)
        cache->storeFailure(item.path(), stamp, item.UTI());
}

QImage LMRFileSystemImageItem::fittedForSquare(const QImage &raster, qint64 size)
{
    // Drawn into the square with a bilinear filter, which aliases when it shrinks by much: a
    // larger raster (one made for the shared cache) is brought down smoothly first.
    if (raster.width() <= size && raster.height() <= size)
        return raster;
    return raster.scaled(int(size), int(size), Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage LMRFileSystemImageItem::nsImageFromCGImage(const QImage &raster, qint64 size)
{
    if (raster.isNull() || size <= 0 || size > kLargestThumbnail)
        return {};
    QImage square{int(size), int(size), QImage::Format_ARGB32_Premultiplied};
    if (square.isNull())
        return {};
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureRectInSquare(QSizeF(raster.size()), size), raster);
    painter.end();
    return square;
}

QRectF LMRFileSystemImageItem::pictureRectInSquare(QSizeF pictureSize, qint64 size)
{
    const QSizeF fitted = LMRPixelSize::proportionalSizeFitting(QSizeF(size, size), pictureSize);
    // Half the side in single precision, the offset in double, then the ceiling of its
    // single-precision value: the grid's drawing code places pictures with the same numbers.
    const float half = float(size) * 0.5f;
    const double x = std::ceil(float(double(half) - fitted.width() * 0.5));
    const double y = std::ceil(float(double(half) - fitted.height() * 0.5));
    return QRectF(x, y, fitted.width(), fitted.height());
}
