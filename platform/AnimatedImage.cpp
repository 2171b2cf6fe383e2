#include "platform/AnimatedImage.h"

#include "platform/ColorManagement.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Below this a file's delay is taken to mean "as fast as sensible".
constexpr int kShortestDelay = 20;
constexpr int kDefaultDelay = 100;
// A canvas beyond this is refused before anything is allocated for it.
constexpr qint64 kMaximumCanvasPixels = 100LL * 1000 * 1000;

// --- GIF and WebP: Qt's readers compose the frames themselves

class QtAnimatedReader : public LMRAnimatedImageReader
{
public:
    QtAnimatedReader(const QString &path, const QByteArray &format) : m_path(path), m_format(format) {}

    bool start()
    {
        if (!rewind() || !m_reader->supportsAnimation())
            return false;
        m_frameCount = m_reader->imageCount();
        m_loopCount = m_reader->loopCount();
        const QSize size = m_reader->size();
        return m_frameCount > 1 && size.isValid() && qint64(size.width()) * size.height() <= kMaximumCanvasPixels;
    }

    int loopCount() const override { return m_loopCount; }

    bool readNextFrame(LMRAnimationFrame &frame) override
    {
        if (m_next >= m_frameCount)
            return false;
        QImage image = m_reader->read();
        if (image.isNull())
            return false;
        ++m_next;
        // In the colours the still picture of the same file is shown in.
        frame.image = LMRColorManagement::convertToOutput(std::move(image));
        frame.delay = effectiveDelay(m_reader->nextImageDelay());
        return true;
    }

    bool rewind() override
    {
        // Qt's readers go forward only; a fresh one starts at the first frame.
        m_reader = std::make_unique<QImageReader>(m_path, m_format);
        m_next = 0;
        return m_reader->canRead();
    }

private:
    QString m_path;
    QByteArray m_format;
    std::unique_ptr<QImageReader> m_reader;
    int m_frameCount = 0;
    int m_loopCount = 0;
    int m_next = 0;
};

// --- PNG with an animation (APNG). Qt reads only the still picture of such a file; each frame
// is made into a PNG stream of its own and decoded by Qt, then composed here.

quint32 crc32(const QByteArray &typeAndData)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (char byte : typeAndData)
        c = table[(c ^ quint8(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

quint32 bigEndian32(const char *p)
{
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8)
           | quint32(quint8(p[3]));
}

quint16 bigEndian16(const char *p)
{
    return quint16((quint16(quint8(p[0])) << 8) | quint8(p[1]));
}

void appendBigEndian32(QByteArray &out, quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void appendChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    appendBigEndian32(out, quint32(data.size()));
    const QByteArray typeAndData = QByteArray(type, 4) + data;
    out.append(typeAndData);
    appendBigEndian32(out, crc32(typeAndData));
}

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

class ApngReader : public LMRAnimatedImageReader
{
public:
    explicit ApngReader(const QString &path) : m_file(path) {}

    // Reads the chunk layout (not the pixels): which chunks every frame shares, and where
    // each frame's placement and compressed data are.
    bool start()
    {
        if (!m_file.open(QIODevice::ReadOnly) || m_file.read(8) != kPngSignature)
            return false;
        const qint64 fileSize = m_file.size();
        qint64 offset = 8;
        bool seenImageData = false;
        Frame *current = nullptr;
        quint32 declaredFrames = 0;
        for (;;) {
            char header[8];
            if (!m_file.seek(offset) || m_file.read(header, 8) != 8)
                return false;
            const quint32 length = bigEndian32(header);
            const QByteArray type(header + 4, 4);
            const qint64 dataOffset = offset + 8;
            // PNG caps a chunk at 2^31 - 1 bytes; anything reaching past the file is damage.
            if (length > 0x7fffffffu || dataOffset + qint64(length) + 4 > fileSize)
                return false;
            offset = dataOffset + qint64(length) + 4;
            if (type == "IHDR") {
                if (length != 13 || !m_header.isEmpty())
                    return false;
                m_header = m_file.read(13);
                m_canvas = QSize(int(bigEndian32(m_header.constData())), int(bigEndian32(m_header.constData() + 4)));
            } else if (type == "acTL") {
                const QByteArray data = m_file.read(8);
                if (length != 8 || data.size() != 8 || seenImageData)
                    return false;
                declaredFrames = bigEndian32(data.constData());
                const quint32 plays = bigEndian32(data.constData() + 4);
                m_loopCount = plays == 0 ? -1 : int(std::min<quint32>(plays - 1, 0x7fffffff));
            } else if (type == "fcTL") {
                const QByteArray data = m_file.read(26);
                if (length != 26 || data.size() != 26 || !readPlacement(data, &m_frames.emplace_back()))
                    return false;
                current = &m_frames.back();
            } else if (type == "IDAT") {
                // The animation control comes before the image data: without it this is a still
                // picture, and the rest of the file need not be looked at.
                if (declaredFrames == 0)
                    return false;
                seenImageData = true;
                // The still picture is a frame only when a placement came before it.
                if (current && m_frames.size() == 1)
                    current->data.push_back({dataOffset, length, false});
            } else if (type == "fdAT") {
                if (!current || length < 4)
                    return false;
                current->data.push_back({dataOffset, length, true});
            } else if (type == "IEND") {
                break;
            } else if (!seenImageData && (type == "PLTE" || type == "tRNS" || type == "gAMA" || type == "cHRM"
                                          || type == "sRGB" || type == "iCCP" || type == "sBIT")) {
                // What every frame's picture needs to decode and to look the same: palette,
                // transparency, colour description.
                const QByteArray data = m_file.read(length);
                if (data.size() != qint64(length))
                    return false;
                appendChunk(m_sharedChunks, type.constData(), data);
            }
        }
        if (m_header.isEmpty() || m_canvas.isEmpty() || qint64(m_canvas.width()) * m_canvas.height() > kMaximumCanvasPixels)
            return false;
        if (m_frames.size() < 2 || declaredFrames < 2)
            return false;
        for (const Frame &frame : m_frames) {
            const QRect canvas(QPoint(0, 0), m_canvas);
            if (frame.data.empty() || !canvas.contains(frame.rect))
                return false;
        }
        return rewind();
    }

    int loopCount() const override { return m_loopCount; }

    bool rewind() override
    {
        m_next = 0;
        m_canvasImage = QImage(m_canvas, QImage::Format_ARGB32_Premultiplied);
        if (m_canvasImage.isNull())
            return false;
        m_canvasImage.fill(Qt::transparent);
        m_pendingDisposal = Dispose::None;
        return true;
    }

    bool readNextFrame(LMRAnimationFrame &out) override
    {
        if (m_next >= m_frames.size())
            return false;
        const Frame &frame = m_frames[m_next];
        QImage picture = decode(frame);
        if (picture.isNull() || picture.size() != frame.rect.size())
            return false;

        // What the previous frame asked to leave behind it.
        QPainter painter(&m_canvasImage);
        if (m_pendingDisposal == Dispose::Background) {
            painter.setCompositionMode(QPainter::CompositionMode_Clear);
            painter.fillRect(m_pendingRect, Qt::transparent);
        } else if (m_pendingDisposal == Dispose::Previous && !m_saved.isNull()) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(m_pendingRect.topLeft(), m_saved);
        }
        m_saved = QImage();
        // The first frame has nothing before it to go back to: it clears instead.
        Dispose dispose = frame.dispose;
        if (dispose == Dispose::Previous && m_next == 0)
            dispose = Dispose::Background;
        if (dispose == Dispose::Previous)
            m_saved = m_canvasImage.copy(frame.rect);
        painter.setCompositionMode(frame.blendOver ? QPainter::CompositionMode_SourceOver
                                                   : QPainter::CompositionMode_Source);
        painter.drawImage(frame.rect.topLeft(), picture);
        painter.end();
        m_pendingDisposal = dispose;
        m_pendingRect = frame.rect;
        ++m_next;

        out.image = m_canvasImage.copy();
        out.delay = effectiveDelay(frame.delay);
        return true;
    }

private:
    enum class Dispose { None, Background, Previous };
    struct DataChunk {
        qint64 offset;
        quint32 length;
        bool frameData;   // fdAT: four bytes of sequence number before the compressed data
    };
    struct Frame {
        QRect rect;
        int delay = 0;
        Dispose dispose = Dispose::None;
        bool blendOver = false;
        std::vector<DataChunk> data;
    };

    bool readPlacement(const QByteArray &data, Frame *frame) const
    {
        const char *p = data.constData();
        const quint32 width = bigEndian32(p + 4);
        const quint32 height = bigEndian32(p + 8);
        const quint32 x = bigEndian32(p + 12);
        const quint32 y = bigEndian32(p + 16);
        if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff || x > 0x7fffffff
            || y > 0x7fffffff || quint64(x) + width > quint64(m_canvas.width())
            || quint64(y) + height > quint64(m_canvas.height()))
            return false;
        frame->rect = QRect(int(x), int(y), int(width), int(height));
        const quint16 numerator = bigEndian16(p + 20);
        const quint16 denominator = bigEndian16(p + 22);
        frame->delay = int(qint64(numerator) * 1000 / (denominator == 0 ? 100 : denominator));
        const quint8 dispose = quint8(p[24]);
        const quint8 blend = quint8(p[25]);
        if (dispose > 2 || blend > 1)
            return false;
        frame->dispose = dispose == 1 ? Dispose::Background : dispose == 2 ? Dispose::Previous : Dispose::None;
        frame->blendOver = blend == 1;
        return true;
    }

    // The frame as a PNG of its own: the file's header at the frame's size, the shared
    // chunks, its compressed data as ordinary image data.
    QImage decode(const Frame &frame)
    {
        QByteArray png = kPngSignature;
        QByteArray header = m_header;
        char size[8];
        const quint32 width = quint32(frame.rect.width());
        const quint32 height = quint32(frame.rect.height());
        const quint32 values[2] = {width, height};
        for (int i = 0; i < 2; ++i) {
            for (int b = 0; b < 4; ++b)
                size[i * 4 + b] = char(values[i] >> (24 - 8 * b));
        }
        header.replace(0, 8, QByteArray(size, 8));
        appendChunk(png, "IHDR", header);
        png.append(m_sharedChunks);
        for (const DataChunk &chunk : frame.data) {
            const qint64 skip = chunk.frameData ? 4 : 0;
            if (!m_file.seek(chunk.offset + skip))
                return {};
            const QByteArray data = m_file.read(qint64(chunk.length) - skip);
            if (data.size() != qint64(chunk.length) - skip)
                return {};
            appendChunk(png, "IDAT", data);
        }
        appendChunk(png, "IEND", QByteArray());
        // Each frame carries the file's colour description (the shared chunks), so it converts
        // as the still picture does.
        QImage image = QImage::fromData(png, "PNG");
        if (image.isNull())
            return image;
        return LMRColorManagement::convertToOutput(std::move(image)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    QFile m_file;
    QByteArray m_header;
    QByteArray m_sharedChunks;
    QSize m_canvas;
    int m_loopCount = -1;
    std::vector<Frame> m_frames;
    size_t m_next = 0;
    QImage m_canvasImage;
    QImage m_saved;
    Dispose m_pendingDisposal = Dispose::None;
    QRect m_pendingRect;
};

} // namespace

bool LMRAnimatedImageReader::mayBeAnimated(const QString &mimeType)
{
    return mimeType == QLatin1String("image/gif") || mimeType == QLatin1String("image/webp")
           || mimeType == QLatin1String("image/png") || mimeType == QLatin1String("image/apng")
           || mimeType == QLatin1String("image/vnd.mozilla.apng");
}

int LMRAnimatedImageReader::effectiveDelay(int fileDelay)
{
    return fileDelay < kShortestDelay ? kDefaultDelay : fileDelay;
}

std::unique_ptr<LMRAnimatedImageReader> LMRAnimatedImageReader::open(const QString &path, const QString &mimeType)
{
    if (mimeType == QLatin1String("image/gif") || mimeType == QLatin1String("image/webp")) {
        auto reader = std::make_unique<QtAnimatedReader>(
            path, mimeType == QLatin1String("image/gif") ? QByteArrayLiteral("gif") : QByteArrayLiteral("webp"));
        if (reader->start())
            return reader;
        return nullptr;
    }
    if (mayBeAnimated(mimeType)) {
        auto reader = std::make_unique<ApngReader>(path);
        if (reader->start())
            return reader;
    }
    return nullptr;
}
