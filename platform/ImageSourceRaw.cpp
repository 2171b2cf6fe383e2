// Camera RAW files through LibRaw, with exiv2 (then LibRaw) for their embedded previews. Full
// decodes for thumbnails use LibRaw's half-size output, a quarter of the pixels to demosaic.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"

#include <QFile>

#if LUMORY_HAVE_RAW
#include <libraw/libraw.h>

namespace lmrimage {
namespace {

void ignoreDataError(void *, const char *, const int) {}

// A full development holds the raw samples (2 bytes a pixel), LibRaw's four-channel working
// image (8), its 8-bit result (3) and the copy made of that (3).
constexpr double kRawBytesPerPixel = 16;

// LibRaw's flip: 3 = 180 degrees, 5 = 90 counter-clockwise, 6 = 90 clockwise.
int orientationForFlip(int flip)
{
    switch (flip) {
    case 3: return 3;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
    }
}

class RawSource : public LMRImageSource
{
public:
    RawSource(const QString &path, std::unique_ptr<LibRaw> raw) : LMRImageSource(path), m_raw(std::move(raw)) {}
    ~RawSource() override { m_raw->recycle(); }

    QSize pixelSize() override
    {
        const auto &sizes = m_raw->imgdata.sizes;
        const QSize size(int(sizes.width), int(sizes.height));
        return sizes.flip & 4 ? size.transposed() : size;
    }

    QImage embeddedPreview(int maxPixelSize) override
    {
        QImage preview = rawPreview(path(), maxPixelSize);
        if (!preview.isNull() || !reopen())
            return preview;
        if (m_raw->unpack_thumb() != LIBRAW_SUCCESS)
            return {};
        int error = 0;
        libraw_processed_image_t *thumb = m_raw->dcraw_make_mem_thumb(&error);
        if (!thumb)
            return {};
        if (thumb->type == LIBRAW_IMAGE_JPEG) {
            const QByteArray bytes(reinterpret_cast<const char *>(thumb->data), qsizetype(thumb->data_size));
            preview = applyOrientation(decodePreviewBytes(bytes, maxPixelSize), orientationForFlip(m_raw->imgdata.sizes.flip));
        } else {
            preview = scaledToFit(toImage(thumb), maxPixelSize);
        }
        LibRaw::dcraw_clear_mem(thumb);
        return preview;
    }

    QImage thumbnail(int maxPixelSize) override { return scaledToFit(develop(true), maxPixelSize); }

    LMRImage fullImage() override
    {
        QImage image = develop(false);
        return {image, QSizeF(image.size()), true};
    }

private:
    // After a failed step LibRaw refuses further calls until it is recycled and reopened.
    bool reopen()
    {
        m_raw->recycle();
        return m_raw->open_file(QFile::encodeName(path()).constData()) == LIBRAW_SUCCESS;
    }

    QImage develop(bool halfSize)
    {
        if (isTooLarge() || !reopen())
            return {};
        const auto &sizes = m_raw->imgdata.sizes;
        const qint64 rawPixels = qint64(sizes.raw_width) * sizes.raw_height;
        const qint64 pixels = qMax(rawPixels, qint64(sizes.width) * sizes.height);
        if (pixels > LMRImageSource::pixelLimit(kRawBytesPerPixel)) {
            refuseAsTooLarge(pixelSize(), LMRImageSource::pixelLimit(kRawBytesPerPixel));
            return {};
        }
        m_raw->imgdata.params.half_size = halfSize ? 1 : 0;
        m_raw->imgdata.params.use_camera_wb = 1;
        m_raw->imgdata.params.output_bps = 8;
        // Developed into sRGB, the colour space untagged pictures are taken to be in.
        m_raw->imgdata.params.output_color = 1;
        if (m_raw->unpack() != LIBRAW_SUCCESS || m_raw->dcraw_process() != LIBRAW_SUCCESS)
            return {};
        int error = 0;
        libraw_processed_image_t *processed = m_raw->dcraw_make_mem_image(&error);
        if (!processed)
            return {};
        QImage image = toImage(processed);      // LibRaw has applied the flip already
        LibRaw::dcraw_clear_mem(processed);
        return LMRColorManagement::convertToOutput(std::move(image), QByteArray());
    }

    static QImage toImage(const libraw_processed_image_t *bitmap)
    {
        if (bitmap->type != LIBRAW_IMAGE_BITMAP || bitmap->bits != 8 || (bitmap->colors != 3 && bitmap->colors != 1))
            return {};
        const int width = bitmap->width, height = bitmap->height;
        const qsizetype stride = qsizetype(width) * bitmap->colors;
        if (width <= 0 || height <= 0 || qsizetype(bitmap->data_size) < stride * height)
            return {};
        return QImage(bitmap->data, width, height, stride,
                      bitmap->colors == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8).copy();
    }

    std::unique_ptr<LibRaw> m_raw;
};

std::unique_ptr<LMRImageSource> openRaw(const QString &path, const QString &)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    raw->set_dataerror_handler(ignoreDataError, nullptr);
    // LibRaw's own allocation limit, in megabytes, turns larger allocations into an error.
    raw->imgdata.params.max_raw_memory_mb = unsigned(qBound<qint64>(1, LMRImageSource::decodeByteBudget() >> 20, qint64(1) << 20));
    if (raw->open_file(QFile::encodeName(path).constData()) != LIBRAW_SUCCESS)
        return nullptr;
    return std::make_unique<RawSource>(path, std::move(raw));
}

} // namespace

void initializeRaw() {}

Backend rawBackend()
{
    return {{QStringLiteral("image/x-adobe-dng"), QStringLiteral("image/x-canon-cr2"),
             QStringLiteral("image/x-canon-cr3"), QStringLiteral("image/x-canon-crw"),
             QStringLiteral("image/x-nikon-nef"), QStringLiteral("image/x-nikon-nrw"),
             QStringLiteral("image/x-sony-arw"), QStringLiteral("image/x-sony-sr2"),
             QStringLiteral("image/x-sony-srf"), QStringLiteral("image/x-fuji-raf"),
             QStringLiteral("image/x-olympus-orf"), QStringLiteral("image/x-panasonic-rw2"),
             QStringLiteral("image/x-panasonic-rw"), QStringLiteral("image/x-pentax-pef"),
             QStringLiteral("image/x-samsung-srw"), QStringLiteral("image/x-minolta-mrw"),
             QStringLiteral("image/x-kodak-dcr"), QStringLiteral("image/x-kodak-kdc"),
             QStringLiteral("image/x-kodak-k25"), QStringLiteral("image/x-sigma-x3f"),
             QStringLiteral("image/x-dcraw")},
            openRaw};
}

} // namespace lmrimage

#else

namespace lmrimage {
void initializeRaw() {}
Backend rawBackend() { return {}; }
}

#endif
