// JPEG XL through libjxl. The decoder applies the orientation itself; the basic info gives the
// stored size, so the sides are swapped here for the transposing orientations. libjxl has no
// reduced-resolution output, so thumbnails are decoded whole and scaled.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"

#include <QFile>

#if LUMORY_HAVE_JXL
#include <jxl/decode.h>

namespace lmrimage {
namespace {

// Decodes the basic info and, when pixels is set, the first frame and the ICC profile that
// describes its pixels as decoded. Returns false on any error.
bool decodeJxl(const QByteArray &data, bool pixels, QSize *size, QImage *image, QByteArray *iccProfile = nullptr)
{
    JxlDecoder *decoder = JxlDecoderCreate(nullptr);
    if (!decoder)
        return false;
    const int events = JXL_DEC_BASIC_INFO | (pixels ? JXL_DEC_FULL_IMAGE | JXL_DEC_COLOR_ENCODING : 0);
    bool ok = JxlDecoderSubscribeEvents(decoder, events) == JXL_DEC_SUCCESS
        && JxlDecoderSetInput(decoder, reinterpret_cast<const uint8_t *>(data.constData()), size_t(data.size()))
               == JXL_DEC_SUCCESS;
    const JxlPixelFormat format = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    bool done = false;
    while (ok && !done) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            ok = JxlDecoderGetBasicInfo(decoder, &info) == JXL_DEC_SUCCESS;
            if (ok) {
                *size = QSize(int(info.xsize), int(info.ysize));
                if (info.orientation >= JXL_ORIENT_TRANSPOSE)
                    *size = size->transposed();
                done = !pixels;
            }
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            // The profile of the pixels as libjxl hands them out, which for a lossy file is
            // not always the one it was encoded from.
            size_t bytes = 0;
            if (iccProfile
                && JxlDecoderGetICCProfileSize(decoder, &format, JXL_COLOR_PROFILE_TARGET_DATA, &bytes) == JXL_DEC_SUCCESS
                && bytes > 0 && bytes < (size_t(64) << 20)) {
                iccProfile->resize(qsizetype(bytes));
                if (JxlDecoderGetColorAsICCProfile(decoder, &format, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<uint8_t *>(iccProfile->data()), bytes)
                    != JXL_DEC_SUCCESS)
                    iccProfile->clear();
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t bytes = 0;
            *image = QImage(*size, QImage::Format_RGBA8888);
            ok = !image->isNull() && JxlDecoderImageOutBufferSize(decoder, &format, &bytes) == JXL_DEC_SUCCESS
                && bytes == size_t(image->sizeInBytes())
                && JxlDecoderSetImageOutBuffer(decoder, &format, image->bits(), bytes) == JXL_DEC_SUCCESS;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
        case JXL_DEC_SUCCESS:
            done = true;
            break;
        default:       // errors, and input that ends before the picture does
            ok = false;
            break;
        }
    }
    JxlDecoderDestroy(decoder);
    if (!ok && image)
        *image = QImage();
    return ok;
}

class JxlSource : public LMRImageSource
{
public:
    explicit JxlSource(const QString &path) : LMRImageSource(path) {}

    QSize pixelSize() override
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        // The basic info sits in the first bytes of the codestream, or after a few small boxes.
        QSize size;
        decodeJxl(file.read(64 * 1024), false, &size, nullptr);
        return size;
    }

    QImage thumbnail(int maxPixelSize) override
    {
        QByteArray profile;
        // Converted after the scaling: the thumbnail has a fraction of the picture's pixels.
        QImage image = scaledToFit(decode(&profile), maxPixelSize);
        return LMRColorManagement::convertToOutput(std::move(image), profile);
    }

    LMRImage fullImage() override
    {
        QByteArray profile;
        const QImage image = LMRColorManagement::convertToOutput(decode(&profile), profile);
        return {image, QSizeF(image.size()), true};
    }

private:
    QImage decode(QByteArray *profile) const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QSize size;
        QImage image;
        decodeJxl(file.readAll(), true, &size, &image, profile);
        return image;
    }
};

std::unique_ptr<LMRImageSource> openJxl(const QString &path, const QString &)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray head = file.read(16);
    const JxlSignature signature = JxlSignatureCheck(reinterpret_cast<const uint8_t *>(head.constData()), size_t(head.size()));
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER)
        return nullptr;
    return std::make_unique<JxlSource>(path);
}

} // namespace

Backend jxlBackend()
{
    return {{QStringLiteral("image/jxl")}, openJxl};
}

} // namespace lmrimage

#else

namespace lmrimage {
Backend jxlBackend() { return {}; }
}

#endif
