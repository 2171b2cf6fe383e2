// Everything Qt's own readers and the image-format plugins decode (PNG, GIF, WebP, TIFF, BMP,
// SVG, ...). The reader is told the format from the MIME type and may not go looking for
// another: a text file named .png must not open, so that the caller's content-sniffing
// fallback decides what it is.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"
#include "support/HeapMemory.h"

#include <QImageReader>

namespace lmrimage {
namespace {

// Qt's readers fill one image of the declared size (four bytes a pixel for 8-bit colour); the
// few that hold more, 16-bit colour, meet Qt's own allocation limit, set to the same budget.
constexpr double kQtBytesPerPixel = 4;

thread_local bool t_keepDecodeBuffer = false;
thread_local QImage t_decodeBuffer;

// The picture, read into this thread's kept decode buffer when it keeps one. The buffer is
// handed out shared; a caller that still holds it when the next file is read (a picture that
// needed no scaling) keeps it, and that read starts a new buffer rather than copying.
QImage readKeepingBuffer(QImageReader &reader)
{
    if (!t_keepDecodeBuffer)
        return reader.read();
    if (!t_decodeBuffer.isDetached())
        t_decodeBuffer = QImage();
    if (!reader.read(&t_decodeBuffer)) {
        t_decodeBuffer = QImage();
        return {};
    }
    QImage image = t_decodeBuffer;
    if (t_decodeBuffer.sizeInBytes() > LMRHeapMemory::kHeapBufferBytes)
        t_decodeBuffer = QImage();
    return image;
}

bool isVectorFormat(const QByteArray &format)
{
    return format == "svg" || format == "svgz";
}

// Readers whose scaled reading decodes fewer pixels: a drawing is rendered at the size, libwebp
// scales while it decodes, and JPEG picks a coarser DCT scale.
bool decodesScaled(const QByteArray &format)
{
    return isVectorFormat(format) || format == "webp" || format == "jpeg" || format == "jpg";
}

// The drawing's raster: twice its own size keeps it sharp on high-density screens and when the
// viewer zooms in a step, up to 4096 on the longer side so that a huge viewBox cannot take
// gigabytes. Computed in floating point: a drawing may declare sides near INT_MAX.
QSize vectorRasterSize(QSize points)
{
    const double longer = qMax(points.width(), points.height());
    const double scale = qMin(4096.0, 2 * longer) / longer;
    return QSize(qBound(1, qRound(points.width() * scale), 4096), qBound(1, qRound(points.height() * scale), 4096));
}

class QtSource : public LMRImageSource
{
public:
    QtSource(const QString &path, const QByteArray &format) : LMRImageSource(path), m_format(format) {}

    QSize pixelSize() override
    {
        QImageReader reader;
        prepare(reader);
        const QSize size = reader.size();
        if (!size.isValid())
            return {};
        return reader.transformation() & QImageIOHandler::TransformationRotate90 ? size.transposed() : size;
    }

    QImage thumbnail(int maxPixelSize) override
    {
        QImageReader reader;
        prepare(reader);
        const QSize stored = reader.size();
        const bool vector = isVectorFormat(m_format);
        if (!vector && !admitDeclaredSize(stored, kQtBytesPerPixel))
            return {};
        // Only readers that decode less for a smaller size are given it. The others (PNG's
        // among them) decode in full and shrink the result in the image's own format, which
        // dithers 1-bit and palette images into colours they do not have; here they are shrunk
        // after displayable().
        if (stored.isValid() && decodesScaled(m_format)) {
            // The scaled size is applied before the rotation; the target box is square, so the
            // stored proportions fitted into it are what the rotated picture needs.
            reader.setScaledSize(fittedSize(stored, maxPixelSize, vector));
        }
        // Converted after the scaling: the thumbnail has a fraction of the file's pixels.
        return LMRColorManagement::convertToOutput(scaledToFit(displayable(readKeepingBuffer(reader)), maxPixelSize));
    }

    LMRImage fullImage() override
    {
        QImageReader reader;
        prepare(reader);
        if (isVectorFormat(m_format)) {
            const QSize points = reader.size();
            if (points.isEmpty())
                return {};
            reader.setScaledSize(vectorRasterSize(points));
            const QImage image = reader.read();
            return {image, QSizeF(points), false};
        }
        if (!admitDeclaredSize(reader.size(), kQtBytesPerPixel))
            return {};
        const QImage image = LMRColorManagement::convertToOutput(displayable(reader.read()));
        return {image, QSizeF(image.size()), true};
    }

    void prepare(QImageReader &reader) const
    {
        reader.setFileName(path());
        reader.setFormat(m_format);
        reader.setAutoDetectImageFormat(false);
        reader.setAutoTransform(true);
    }

private:
    QByteArray m_format;
};

std::unique_ptr<LMRImageSource> openWithQt(const QString &path, const QString &mimeType)
{
    const QList<QByteArray> formats = QImageReader::imageFormatsForMimeType(mimeType.toLatin1());
    for (const QByteArray &format : formats) {
        auto source = std::make_unique<QtSource>(path, format);
        QImageReader reader;
        source->prepare(reader);
        if (reader.canRead())
            return source;
    }
    return nullptr;
}

} // namespace

Backend qtBackend()
{
    QStringList types;
    for (const QByteArray &type : QImageReader::supportedMimeTypes())
        types.append(QString::fromLatin1(type));
    return {types, openWithQt};
}

} // namespace lmrimage

void LMRImageSource::keepDecodeBuffersOnThisThread()
{
    lmrimage::t_keepDecodeBuffer = true;
}
