// HEIC, HEIF and AVIF through libheif. libheif applies the file's rotation and mirroring while
// decoding and reports sizes after them, so nothing is oriented here.

#include "platform/ImageSourceBackends.h"

#include <QFile>

#if LUMORY_HAVE_HEIF
#include <libheif/heif.h>

namespace lmrimage {
namespace {

QImage decodeHandle(heif_image_handle *handle)
{
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    heif_image *decoded = nullptr;
    heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                         alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                         nullptr);
    if (error.code != heif_error_Ok || !decoded)
        return {};
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    QImage image;
    if (plane && width > 0 && height > 0)
        image = QImage(plane, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888).copy();
    heif_image_release(decoded);
    return image;
}

class HeifSource : public LMRImageSource
{
public:
    HeifSource(const QString &path, heif_context *context, heif_image_handle *primary)
        : LMRImageSource(path), m_context(context), m_primary(primary) {}
    ~HeifSource() override
    {
        heif_image_handle_release(m_primary);
        heif_context_free(m_context);
    }

    QSize pixelSize() override
    {
        return QSize(heif_image_handle_get_width(m_primary), heif_image_handle_get_height(m_primary));
    }

    QImage embeddedPreview(int maxPixelSize) override
    {
        // The thumbnail items of the file first (that is what phones write), then an EXIF one.
        const int count = heif_image_handle_get_number_of_thumbnails(m_primary);
        if (count > 0) {
            std::vector<heif_item_id> ids(static_cast<size_t>(count));
            heif_image_handle_get_list_of_thumbnail_IDs(m_primary, ids.data(), count);
            heif_image_handle *best = nullptr;
            int bestLonger = 0;
            for (heif_item_id id : ids) {
                heif_image_handle *thumb = nullptr;
                if (heif_image_handle_get_thumbnail(m_primary, id, &thumb).code != heif_error_Ok)
                    continue;
                const int longer = qMax(heif_image_handle_get_width(thumb), heif_image_handle_get_height(thumb));
                // The smallest that covers the size, else the largest.
                const bool better = !best || (bestLonger < maxPixelSize ? longer > bestLonger
                                                                         : longer >= maxPixelSize && longer < bestLonger);
                if (better) {
                    if (best)
                        heif_image_handle_release(best);
                    best = thumb;
                    bestLonger = longer;
                } else {
                    heif_image_handle_release(thumb);
                }
            }
            if (best) {
                QImage image = scaledToFit(decodeHandle(best), maxPixelSize);
                heif_image_handle_release(best);
                if (!image.isNull())
                    return image;
            }
        }
        return exifThumbnail(path(), maxPixelSize);
    }

    QImage thumbnail(int maxPixelSize) override { return scaledToFit(decodeHandle(m_primary), maxPixelSize); }

    LMRImage fullImage() override
    {
        QImage image = decodeHandle(m_primary);
        return {image, QSizeF(image.size()), true};
    }

private:
    heif_context *m_context;
    heif_image_handle *m_primary;
};

std::unique_ptr<LMRImageSource> openHeif(const QString &path, const QString &)
{
    heif_context *context = heif_context_alloc();
    if (!context)
        return nullptr;
    heif_image_handle *primary = nullptr;
    if (heif_context_read_from_file(context, QFile::encodeName(path).constData(), nullptr).code != heif_error_Ok
        || heif_context_get_primary_image_handle(context, &primary).code != heif_error_Ok) {
        heif_context_free(context);
        return nullptr;
    }
    return std::make_unique<HeifSource>(path, context, primary);
}

} // namespace

Backend heifBackend()
{
    return {{QStringLiteral("image/heif"), QStringLiteral("image/heic"), QStringLiteral("image/avif"),
             QStringLiteral("image/heif-sequence"), QStringLiteral("image/heic-sequence")},
            openHeif};
}

} // namespace lmrimage

#else

namespace lmrimage {
Backend heifBackend() { return {}; }
}

#endif
