// JPEG through libjpeg(-turbo) directly rather than Qt's reader: the DCT scale is chosen here
// and, above all, a file that ends early is reported as a failure. Qt's reader turns a
// half-copied photograph into a grey-bottomed image and calls it a success.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>

#if LUMORY_HAVE_JPEG
#include <jpeglib.h>
#include <jerror.h>
#else
#include <QBuffer>
#include <QImageReader>
#endif

namespace lmrimage {

namespace {
// A full decode fills one four-byte pixel for each declared pixel; a progressive file also
// holds its coefficients, which libjpeg's own memory limit (the same budget) bounds.
constexpr double kJpegBytesPerPixel = 4;
} // namespace

#if LUMORY_HAVE_JPEG

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool truncated = false;
};

void errorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

bool outOfMemory(j_common_ptr cinfo)
{
    return cinfo->err->msg_code == JERR_OUT_OF_MEMORY || cinfo->err->msg_code == JERR_NO_BACKING_STORE;
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    // The data ending early, at the end of the file or at a marker (a cut file given its end
    // marker back), leaves grey where the picture should be. Other warnings (stray bytes before
    // a marker, common in camera files) leave a usable image.
    if (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER)
        reinterpret_cast<ErrorManager *>(cinfo->err)->truncated = true;
    cinfo->err->num_warnings++;
}

void silentOutput(j_common_ptr) {}

void installErrorManager(jpeg_decompress_struct &cinfo, ErrorManager &errors)
{
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = errorExit;
    errors.pub.emit_message = emitMessage;
    errors.pub.output_message = silentOutput;
}

int orientationFromMarkers(const jpeg_decompress_struct &cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && memcmp(m->data, "Exif\0\0", 6) == 0)
            return exifOrientation(m->data + 6, qsizetype(m->data_length) - 6);
    }
    return 1;
}

QByteArray iccFromMarkers(jpeg_decompress_struct &cinfo)
{
    JOCTET *data = nullptr;
    unsigned int length = 0;
    if (!jpeg_read_icc_profile(&cinfo, &data, &length) || !data)
        return {};
    QByteArray profile(reinterpret_cast<const char *>(data), qsizetype(length));
    std::free(data);
    return profile;
}

bool readHeader(const QString &path, QSize *size, int *orientation, QByteArray *iccProfile = nullptr)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    installErrorManager(cinfo, errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (iccProfile)
        jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    const bool ok = jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK;
    if (ok) {
        *size = QSize(int(cinfo.image_width), int(cinfo.image_height));
        *orientation = orientationFromMarkers(cinfo);
        if (iccProfile)
            *iccProfile = iccFromMarkers(cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return ok;
}

// Adobe writes CMYK JPEGs inverted, and nearly every CMYK JPEG in the wild comes from Adobe.
void cmykToRgb(const uchar *in, QRgb *out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

} // namespace

QImage decodeJpeg(const QByteArray &data, int maxPixelSize, int *orientation, QByteArray *iccProfile, bool *tooLarge)
{
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    installErrorManager(cinfo, errors);
    QImage image;
    QByteArray cmykLine;
    if (tooLarge)
        *tooLarge = false;
    if (setjmp(errors.jump)) {
        if (tooLarge)
            *tooLarge = outOfMemory(reinterpret_cast<j_common_ptr>(&cinfo));
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    // Beyond this libjpeg fails with an error instead of allocating (it has no backing store).
    cinfo.mem->max_memory_to_use = long(qMin<qint64>(LMRImageSource::decodeByteBudget(), LONG_MAX));
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (orientation)
        jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (iccProfile)
        jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    if (orientation)
        *orientation = orientationFromMarkers(cinfo);
    if (iccProfile)
        *iccProfile = iccFromMarkers(cinfo);
    const QSize stored(int(cinfo.image_width), int(cinfo.image_height));
    if (qint64(stored.width()) * stored.height() > LMRImageSource::pixelLimit(kJpegBytesPerPixel)) {
        if (tooLarge)
            *tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    const QSize target = maxPixelSize > 0 ? fittedSize(stored, maxPixelSize) : stored;
    // The coarsest DCT scale whose output still covers the target, as Qt's reader picks it:
    // entropy decoding costs the same at every scale, the inverse transforms do not.
    unsigned denominator = 1;
    for (unsigned d : {8u, 4u, 2u}) {
        if (stored.width() / int(d) >= target.width() && stored.height() / int(d) >= target.height()) {
            denominator = d;
            break;
        }
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = denominator;

    QImage::Format format = QImage::Format_RGB32;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
    } else if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
    } else {
#ifdef JCS_EXTENSIONS
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
#else
        cinfo.out_color_space = JCS_RGB;
        format = QImage::Format_RGB888;
#endif
    }
    jpeg_start_decompress(&cinfo);
    // A progressive file has been read to its end by now: one that ended early is refused
    // before a single grey line is made of it.
    if (errors.truncated) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    image = QImage(int(cinfo.output_width), int(cinfo.output_height), format);
    if (image.isNull()) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    if (cmyk)
        cmykLine.resize(qsizetype(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int line = int(cinfo.output_scanline);
        if (cmyk) {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(cmykLine.data());
            jpeg_read_scanlines(&cinfo, &row, 1);
            cmykToRgb(reinterpret_cast<const uchar *>(cmykLine.constData()),
                      reinterpret_cast<QRgb *>(image.scanLine(line)), image.width(),
                      cinfo.saw_Adobe_marker);
        } else {
            JSAMPROW rows[16];
            const int n = qMin(16, image.height() - line);
            for (int i = 0; i < n; ++i)
                rows[i] = image.scanLine(line + i);
            jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n));
        }
        if (errors.truncated)
            break;
    }
    if (!errors.truncated)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (errors.truncated)
        return {};
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

#else

namespace {
bool readHeader(const QString &path, QSize *size, int *orientation, QByteArray *iccProfile = nullptr)
{
    QImageReader reader(path, "jpeg");
    *size = reader.size();
    const auto t = reader.transformation();
    *orientation = t & QImageIOHandler::TransformationRotate90 ? 6 : 1;
    if (iccProfile)
        *iccProfile = reader.read().colorSpace().iccProfile();
    return size->isValid();
}
} // namespace

QImage decodeJpeg(const QByteArray &data, int maxPixelSize, int *orientation, QByteArray *iccProfile, bool *tooLarge)
{
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(orientation != nullptr);
    if (orientation)
        *orientation = 1;
    const QSize declared = reader.size();
    if (tooLarge)
        *tooLarge = qint64(declared.width()) * declared.height() > LMRImageSource::pixelLimit(kJpegBytesPerPixel);
    if (tooLarge && *tooLarge)
        return {};
    if (maxPixelSize > 0)
        reader.setScaledSize(fittedSize(declared, maxPixelSize));
    QImage image = reader.read();
    if (iccProfile)
        *iccProfile = image.colorSpace().iccProfile();
    return image;
}

#endif

namespace {

class JpegSource : public LMRImageSource
{
public:
    explicit JpegSource(const QString &path) : LMRImageSource(path) {}

    QSize pixelSize() override
    {
        QSize size;
        int orientation = 1;
        if (!readHeader(path(), &size, &orientation))
            return {};
        return orientationSwapsSides(orientation) ? size.transposed() : size;
    }

    QImage embeddedPreview(int maxPixelSize) override
    {
        // The EXIF thumbnail carries no profile of its own: it is in the colours of the
        // picture it stands for.
        QImage preview = exifThumbnail(path(), maxPixelSize);
        if (preview.isNull())
            return preview;
        return LMRColorManagement::convertToOutput(std::move(preview), jpegIccProfile(path()));
    }

    QImage thumbnail(int maxPixelSize) override { return decode(maxPixelSize); }

    LMRImage fullImage() override
    {
        const QImage image = decode(0);
        return {image, QSizeF(image.size()), true};
    }

private:
    QImage decode(int maxPixelSize)
    {
        if (isTooLarge())
            return {};
        int orientation = 1;
        bool tooLarge = false;
        QByteArray profile;
        QImage image = decodeJpeg(readAll(), maxPixelSize, &orientation, &profile, &tooLarge);
        if (tooLarge) {
            refuseAsTooLarge(pixelSize(), LMRImageSource::pixelLimit(kJpegBytesPerPixel));
            return {};
        }
        // Converted after the scaling: a thumbnail has a fraction of the file's pixels.
        image = LMRColorManagement::convertToOutput(std::move(image), profile);
        return applyOrientation(std::move(image), orientation);
    }

    QByteArray readAll() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

QByteArray jpegIccProfile(const QString &path)
{
    QSize size;
    int orientation = 1;
    QByteArray profile;
    return readHeader(path, &size, &orientation, &profile) ? profile : QByteArray();
}

namespace {

std::unique_ptr<LMRImageSource> openJpeg(const QString &path, const QString &)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray magic = file.read(3);
    if (magic.size() < 3 || uchar(magic[0]) != 0xFF || uchar(magic[1]) != 0xD8 || uchar(magic[2]) != 0xFF)
        return nullptr;
    return std::make_unique<JpegSource>(path);
}

} // namespace

Backend jpegBackend()
{
    return {{QStringLiteral("image/jpeg")}, openJpeg};
}

} // namespace lmrimage
