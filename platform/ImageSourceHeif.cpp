// HEIC, HEIF and AVIF through libheif. libheif applies the file's rotation and mirroring while
// decoding and reports sizes after them, so nothing is oriented here.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"

#include <QFile>

#if LUMORY_HAVE_HEIF
#include <libheif/heif.h>

namespace lmrimage {
namespace {

// At its peak a decode holds the codec's frame, libheif's colour planes and the interleaved
// result: 7.4 (AVIF) to 8.5 (HEIC) bytes a pixel measured, rounded up.
constexpr double kHeifBytesPerPixel = 9;

void releaseDecoded(void *decoded)
{
    heif_image_release(static_cast<heif_image *>(decoded));
}

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
    if (!plane || width <= 0 || height <= 0) {
        heif_image_release(decoded);
        return {};
    }
    // The image keeps libheif's pixels rather than a copy of them, which would take another
    // four bytes a pixel at the worst moment; they go with the image's last reference.
    return QImage(plane, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888,
                  releaseDecoded, decoded);
}

// The colour description of an image item: its ICC profile, or one made from its nclx box.
// Empty for sRGB and for no description at all.
QByteArray profileOf(const heif_image_handle *handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size == 0 || size > size_t(64) << 20)
            return {};
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, bytes.data()).code != heif_error_Ok)
            return {};
        return bytes;
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx *nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
            return {};
        QByteArray bytes;
        const int primaries = int(nclx->color_primaries);
        const int transfer = int(nclx->transfer_characteristics);
        // BT.709 primaries (or none said) with the sRGB curve (or none said) are sRGB itself.
        const bool srgb = (primaries == 1 || primaries == 2) && (transfer == 13 || transfer == 2);
        if (!srgb) {
            const double xy[6] = {nclx->color_primary_red_x, nclx->color_primary_red_y,
                                  nclx->color_primary_green_x, nclx->color_primary_green_y,
                                  nclx->color_primary_blue_x, nclx->color_primary_blue_y};
            const double white[2] = {nclx->color_primary_white_x, nclx->color_primary_white_y};
            if (white[1] > 0 && xy[1] > 0 && xy[3] > 0 && xy[5] > 0)
                bytes = LMRColorManagement::profileFromChromaticities(xy, white, transfer);
        }
        heif_nclx_color_profile_free(nclx);
        return bytes;
    }
    default:
        return {};
    }
}

QImage decodeInOutputColours(heif_image_handle *handle, const heif_image_handle *describedBy = nullptr)
{
    QImage image = decodeHandle(handle);
    if (image.isNull())
        return image;
    QByteArray profile = profileOf(handle);
    // A thumbnail item without a description of its own is in its picture's colours.
    if (profile.isEmpty() && describedBy
        && heif_image_handle_get_color_profile_type(handle) == heif_color_profile_type_not_present)
        profile = profileOf(describedBy);
    return LMRColorManagement::convertToOutput(std::move(image), profile);
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
                const int width = heif_image_handle_get_width(thumb), height = heif_image_handle_get_height(thumb);
                if (qint64(width) * height > LMRImageSource::pixelLimit(kHeifBytesPerPixel)) {
                    heif_image_handle_release(thumb);
                    continue;
                }
                const int longer = qMax(width, height);
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
                QImage image = scaledToFit(decodeInOutputColours(best, m_primary), maxPixelSize);
                heif_image_handle_release(best);
                if (!image.isNull())
                    return image;
            }
        }
        QImage preview = exifThumbnail(path(), maxPixelSize);
        if (preview.isNull())
            return preview;
        return LMRColorManagement::convertToOutput(std::move(preview), profileOf(m_primary));
    }

    QImage thumbnail(int maxPixelSize) override
    {
        // Converted after the scaling: the thumbnail has a fraction of the picture's pixels.
        const QImage image = scaledToFit(decodePrimary(), maxPixelSize);
        return image.isNull() ? image : LMRColorManagement::convertToOutput(image, profileOf(m_primary));
    }

    LMRImage fullImage() override
    {
        QImage image = decodePrimary();
        if (!image.isNull())
            image = LMRColorManagement::convertToOutput(std::move(image), profileOf(m_primary));
        return {image, QSizeF(image.size()), true};
    }

private:
    QImage decodePrimary()
    {
        if (!admitDeclaredSize(pixelSize(), kHeifBytesPerPixel))
            return {};
        return decodeHandle(m_primary);
    }

    heif_context *m_context;
    heif_image_handle *m_primary;
};

std::unique_ptr<LMRImageSource> openHeif(const QString &path, const QString &)
{
    heif_context *context = heif_context_alloc();
    if (!context)
        return nullptr;
    heif_image_handle *primary = nullptr;
    const heif_error read = heif_context_read_from_file(context, QFile::encodeName(path).constData(), nullptr);
    if (read.code != heif_error_Ok || heif_context_get_primary_image_handle(context, &primary).code != heif_error_Ok) {
        heif_context_free(context);
        // libheif's own size limit turns such a file away while reading its boxes.
        if (read.subcode == heif_suberror_Security_limit_exceeded)
            return refusedSource(path);
        return nullptr;
    }
    return std::make_unique<HeifSource>(path, context, primary);
}

} // namespace

void initializeHeif()
{
    // Since libheif 1.13 its decoder plugins are registered by heif_init(); left to the first
    // decode it would run on several loading workers at once.
#if LIBHEIF_HAVE_VERSION(1, 13, 0)
    heif_init(nullptr);
#endif
}

Backend heifBackend()
{
    return {{QStringLiteral("image/heif"), QStringLiteral("image/heic"), QStringLiteral("image/avif"),
             QStringLiteral("image/heif-sequence"), QStringLiteral("image/heic-sequence")},
            openHeif};
}

} // namespace lmrimage

#else

namespace lmrimage {
void initializeHeif() {}
Backend heifBackend() { return {}; }
}

#endif
