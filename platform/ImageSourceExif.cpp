// Embedded previews read with exiv2: the EXIF thumbnail of JPEG, TIFF and HEIF files, and the
// previews camera RAW files carry. Preview sizes come from tags and are often wrong (stripped
// or unsupported data), so a preview counts only once its bytes have decoded.

#include "platform/ImageSourceBackends.h"

#include <QFile>

#if LUMORY_HAVE_EXIV2
#include <exiv2/exiv2.hpp>
#endif

namespace lmrimage {

#if LUMORY_HAVE_EXIV2

namespace {

Exiv2::Image::AutoPtr openMetadata(const QString &path)
{
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (image.get())
            image->readMetadata();
        return image;
    } catch (const std::exception &) {
        return Exiv2::Image::AutoPtr();
    }
}

int orientationOf(const Exiv2::ExifData &exif)
{
    const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it == exif.end() || it->count() == 0)
        return 1;
    const long value = it->toLong();
    return value >= 1 && value <= 8 ? int(value) : 1;
}

} // namespace

void initializeExiv2()
{
    // The XMP toolkit's global state is set up lazily and not thread-safe: two loading threads
    // reading XMP for the first time at once crash. Doing it here, before any worker, avoids it.
    Exiv2::XmpParser::initialize();
    Exiv2::enableBMFF(true);          // HEIC, AVIF and CR3 metadata live in BMFF boxes
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
}

QImage exifThumbnail(const QString &path, int maxPixelSize)
{
    try {
        auto image = openMetadata(path);
        if (!image.get())
            return {};
        const Exiv2::ExifData &exif = image->exifData();
        if (exif.empty())
            return {};
        const Exiv2::DataBuf buffer = Exiv2::ExifThumbC(exif).copy();
        if (buffer.size_ <= 0)
            return {};
        const QByteArray bytes(reinterpret_cast<const char *>(buffer.pData_), qsizetype(buffer.size_));
        // Orientation after fitting: the box is square, so fitting first gives the same size on
        // fewer pixels.
        return applyOrientation(decodePreviewBytes(bytes, maxPixelSize), orientationOf(exif));
    } catch (const std::exception &) {
        return {};
    }
}

QImage rawPreview(const QString &path, int maxPixelSize)
{
    try {
        auto image = openMetadata(path);
        if (!image.get())
            return {};
        Exiv2::PreviewManager manager(*image);
        Exiv2::PreviewPropertiesList list = manager.getPreviewProperties();   // smallest first
        // Try the smallest preview that covers the size first, then larger ones, then the
        // smaller ones largest first.
        std::stable_partition(list.begin(), list.end(), [&](const Exiv2::PreviewProperties &p) {
            return qMax(p.width_, p.height_) >= uint32_t(maxPixelSize);
        });
        const auto firstSmall = std::find_if(list.begin(), list.end(), [&](const Exiv2::PreviewProperties &p) {
            return qMax(p.width_, p.height_) < uint32_t(maxPixelSize);
        });
        std::reverse(firstSmall, list.end());
        const int orientation = orientationOf(image->exifData());
        for (const auto &properties : list) {
            const Exiv2::PreviewImage preview = manager.getPreviewImage(properties);
            const QByteArray bytes(reinterpret_cast<const char *>(preview.pData()), qsizetype(preview.size()));
            QImage decoded = decodePreviewBytes(bytes, maxPixelSize);
            if (!decoded.isNull())
                return applyOrientation(std::move(decoded), orientation);
        }
    } catch (const std::exception &) {
    }
    return {};
}

#else

void initializeExiv2() {}
QImage exifThumbnail(const QString &, int) { return {}; }
QImage rawPreview(const QString &, int) { return {}; }

#endif

} // namespace lmrimage
