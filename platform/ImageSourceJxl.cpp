// JPEG XL through libjxl. The decoder applies the orientation itself; the basic info gives the
// stored size, so the sides are swapped here for the transposing orientations. libjxl has no
// reduced-resolution output, so thumbnails are decoded whole and scaled.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"

#include <QFile>

#include <climits>
#include <cstdlib>
#include <cstring>

#if LUMORY_HAVE_JXL
#include <jxl/decode.h>

namespace lmrimage {
namespace {

// Measured at 4.2 (lossless) to 6.7 (lossy) bytes a pixel with the result. libjxl ends the
// whole process, rather than failing, when an allocation of its own fails, so the estimate
// keeps a margin above what was measured.
constexpr double kJxlBytesPerPixel = 9;

// The allocations libjxl makes through its memory manager, counted against the decode budget:
// over it an allocation fails, which libjxl reports as an error. Each block carries its size.
struct CountingAllocator
{
    qint64 used = 0;
    qint64 limit = 0;
    static constexpr size_t kHeader = 64;       // keeps libjxl's blocks as aligned as malloc's

    static void *allocate(void *opaque, size_t size)
    {
        auto *self = static_cast<CountingAllocator *>(opaque);
        if (size > size_t(self->limit - self->used))
            return nullptr;
        auto *block = static_cast<char *>(std::malloc(size + kHeader));
        if (!block)
            return nullptr;
        memcpy(block, &size, sizeof size);
        self->used += qint64(size);
        return block + kHeader;
    }
    static void release(void *opaque, void *address)
    {
        if (!address)
            return;
        char *block = static_cast<char *>(address) - kHeader;
        size_t size = 0;
        memcpy(&size, block, sizeof size);
        static_cast<CountingAllocator *>(opaque)->used -= qint64(size);
        std::free(block);
    }
};

// Decodes the basic info and, when pixels is set, the first frame and the ICC profile that
// describes its pixels as decoded. Returns false on any error, and for a picture declaring more
// pixels than may be decoded (setting *tooLarge).
bool decodeJxl(const QByteArray &data, bool pixels, QSize *size, QImage *image, QByteArray *iccProfile = nullptr,
               bool *tooLarge = nullptr)
{
    CountingAllocator allocator;
    allocator.limit = LMRImageSource::decodeByteBudget();
    const JxlMemoryManager memory = {&allocator, CountingAllocator::allocate, CountingAllocator::release};
    JxlDecoder *decoder = JxlDecoderCreate(&memory);
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
                *size = QSize(int(qMin<uint32_t>(info.xsize, INT_MAX)), int(qMin<uint32_t>(info.ysize, INT_MAX)));
                if (info.orientation >= JXL_ORIENT_TRANSPOSE)
                    *size = size->transposed();
                done = !pixels;
                if (pixels && qint64(info.xsize) * info.ysize > LMRImageSource::pixelLimit(kJxlBytesPerPixel)) {
                    if (tooLarge)
                        *tooLarge = true;
                    ok = false;
                }
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
    QImage decode(QByteArray *profile)
    {
        QFile file(path());
        if (isTooLarge() || !file.open(QIODevice::ReadOnly))
            return {};
        QSize size;
        QImage image;
        bool tooLarge = false;
        decodeJxl(file.readAll(), true, &size, &image, profile, &tooLarge);
        if (tooLarge)
            refuseAsTooLarge(size, LMRImageSource::pixelLimit(kJxlBytesPerPixel));
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
