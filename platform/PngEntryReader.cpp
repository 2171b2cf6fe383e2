#include "platform/PngEntryReader.h"

#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <vector>

#if LUMORY_HAVE_DEFLATE
#include <libdeflate.h>
#endif

namespace LMRPngEntryReader {

#if LUMORY_HAVE_DEFLATE
namespace {

struct Header {
    quint32 width = 0;
    quint32 height = 0;
    int channels = 0;
};

inline int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
}

// Undoes one row's filter in place; prior is the row above, already undone (zeros for the first).
bool unfilter(quint8 filter, quint8 *row, const quint8 *prior, qsizetype length, int step)
{
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (qsizetype i = step; i < length; ++i)
            row[i] = quint8(row[i] + row[i - step]);
        return true;
    case 2:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = quint8(row[i] + prior[i]);
        return true;
    case 3:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = quint8(row[i] + ((i >= step ? row[i - step] : 0) + prior[i]) / 2);
        return true;
    case 4:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = quint8(row[i] + paeth(i >= step ? row[i - step] : 0, prior[i], i >= step ? prior[i - step] : 0));
        return true;
    default:
        return false;
    }
}

} // namespace

QImage read(QByteArrayView png, int largestSide)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    const auto *bytes = reinterpret_cast<const quint8 *>(png.data());
    const qsizetype size = png.size();
    if (size < 8 + 25 || std::memcmp(bytes, signature, 8) != 0)
        return {};

    Header header;
    QByteArray deflated;
    bool ended = false;
    for (qsizetype at = 8; at + 12 <= size;) {
        const quint32 length = qFromBigEndian<quint32>(bytes + at);
        if (length > quint32(size - at - 12))
            return {};
        const quint8 *type = bytes + at + 4;
        const quint8 *data = type + 4;
        if (at == 8) {
            // The header comes first, and must be the plain form this reader handles.
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13)
                return {};
            header.width = qFromBigEndian<quint32>(data);
            header.height = qFromBigEndian<quint32>(data + 4);
            const quint8 depth = data[8], colour = data[9], interlace = data[12];
            if (depth != 8 || (colour != 2 && colour != 6) || data[10] != 0 || data[11] != 0 || interlace != 0)
                return {};
            if (header.width == 0 || header.height == 0 || header.width > quint32(largestSide)
                || header.height > quint32(largestSide))
                return {};
            header.channels = colour == 2 ? 3 : 4;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            deflated.append(reinterpret_cast<const char *>(data), length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
            break;
        } else {
            // A colour space or a transparent colour: Qt's reader gives the image those.
            for (const char *applied : {"iCCP", "gAMA", "cHRM", "tRNS", "PLTE"})
                if (std::memcmp(type, applied, 4) == 0)
                    return {};
        }
        at += 12 + qsizetype(length);
    }
    if (header.channels == 0 || !ended || deflated.isEmpty())
        return {};

    const qsizetype stride = qsizetype(header.width) * header.channels;
    const qsizetype expected = (stride + 1) * qsizetype(header.height);
    // Deflate shrinks at most about 1,032 to 1: a header promising more than that is not
    // worth allocating for.
    if (expected / 1032 > deflated.size())
        return {};
    std::vector<quint8> raw(static_cast<size_t>(expected));
    size_t written = 0;
    struct Decompressor {
        libdeflate_decompressor *d = libdeflate_alloc_decompressor();
        ~Decompressor() { libdeflate_free_decompressor(d); }
    };
    // One a thread: a decompressor is not to be shared, and allocating one costs more than a
    // small entry's inflating.
    thread_local Decompressor decompressor;
    if (!decompressor.d
        || libdeflate_zlib_decompress(decompressor.d, deflated.constData(), size_t(deflated.size()), raw.data(),
                                      raw.size(), &written) != LIBDEFLATE_SUCCESS
        || written != raw.size())
        return {};

    QImage image(int(header.width), int(header.height),
                 header.channels == 3 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const std::vector<quint8> zeros(size_t(stride), 0);
    const quint8 *prior = zeros.data();
    for (quint32 y = 0; y < header.height; ++y) {
        quint8 *line = raw.data() + qsizetype(y) * (stride + 1);
        quint8 *row = line + 1;
        if (!unfilter(line[0], row, prior, stride, header.channels))
            return {};
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        if (header.channels == 3) {
            for (quint32 x = 0; x < header.width; ++x)
                out[x] = qRgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
        } else {
            for (quint32 x = 0; x < header.width; ++x)
                out[x] = qRgba(row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]);
        }
        prior = row;
    }
    return image;
}

#else

QImage read(QByteArrayView, int)
{
    return {};
}

#endif

} // namespace LMRPngEntryReader
