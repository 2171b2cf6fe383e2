#include "ImageFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTransform>

#if __has_include(<exiv2/exiv2.hpp>)
#include <exiv2/exiv2.hpp>
#define FIXTURES_HAVE_EXIV2 1
#endif
#if __has_include(<libheif/heif.h>)
#include <libheif/heif.h>
#define FIXTURES_HAVE_HEIF 1
#endif
#if __has_include(<jxl/encode.h>)
#include <jxl/encode.h>
#define FIXTURES_HAVE_JXL 1
#endif

namespace lmrimages {

namespace {

QByteArray be32(quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

QByteArray be16(quint16 v)
{
    const char bytes[2] = {char(v >> 8), char(v)};
    return QByteArray(bytes, 2);
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// zlib's stream without the length qCompress puts before it.
QByteArray deflated(const QByteArray &raw)
{
    return qCompress(raw, 9).mid(4);
}

} // namespace

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(220, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 220), qRgb(230, 220, 20)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y >= height / 2) * 2 + (x >= width / 2)]);
    return image;
}

Corners cornersOf(const QImage &image, QRect area)
{
    if (area.isNull())
        area = image.rect();
    auto at = [&](double fx, double fy) {
        return image.pixelColor(area.x() + int(area.width() * fx), area.y() + int(area.height() * fy));
    };
    return {at(0.25, 0.25), at(0.75, 0.25), at(0.25, 0.75), at(0.75, 0.75)};
}

bool similar(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

bool similar(const Corners &a, const Corners &b)
{
    return similar(a.tl, b.tl) && similar(a.tr, b.tr) && similar(a.bl, b.bl) && similar(a.br, b.br);
}

QImage storedForOrientation(const QImage &upright, int orientation)
{
    // The EXIF definitions as plane transforms of the stored picture onto the screen; the
    // stored picture is the inverse applied to the upright one (6 and 8 are each other's
    // inverse, the others undo themselves).
    const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    QTransform t;
    switch (inverse) {
    case 2: t = QTransform(-1, 0, 0, 1, 0, 0); break;
    case 3: t.rotate(180); break;
    case 4: t = QTransform(1, 0, 0, -1, 0, 0); break;
    case 5: t = QTransform(0, 1, 1, 0, 0, 0); break;
    case 6: t.rotate(90); break;
    case 7: t = QTransform(0, -1, -1, 0, 0, 0); break;
    case 8: t.rotate(270); break;
    default: return upright;
    }
    return upright.transformed(t);
}

static LogLines *s_log = nullptr;

LogLines::LogLines() : m_previous(qInstallMessageHandler(handler)) { s_log = this; }

LogLines::~LogLines()
{
    qInstallMessageHandler(m_previous);
    s_log = nullptr;
}

QStringList LogLines::matching(const QString &fragment) const
{
    QMutexLocker locker(&m_lock);
    return m_lines.filter(fragment);
}

void LogLines::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtInfoMsg)
        return s_log->m_previous(type, context, message);
    QMutexLocker locker(&s_log->m_lock);
    s_log->m_lines.append(message);
}

QImage filled(QSize size, const QColor &colour, QImage::Format format)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

QByteArray encoded(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

bool writeSample(const QString &path, const QImage &image)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "heic" || suffix == "heif" || suffix == "avif")
        return writeHeif(path, image, suffix == "avif");
    if (suffix == "jxl")
        return writeJxl(path, image);
    if (suffix == "dng")
        return writeDng(path, image.pixelColor(0, 0));
    if (suffix == "mp4" || suffix == "mkv")
        return writeVideo(path);
    return image.save(path);
}

bool writeJpegWithExif(const QString &path, const QImage &stored, int orientation, const QImage &embeddedThumbnail)
{
#if FIXTURES_HAVE_EXIV2
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!stored.save(path, "JPEG", 95))
        return false;
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Lumory";
        exif["Exif.Image.Orientation"] = uint16_t(orientation);
        if (!embeddedThumbnail.isNull()) {
            const QByteArray jpeg = encoded(embeddedThumbnail, "JPEG", 90);
            Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()),
                                                     long(jpeg.size()));
        }
        image->setExifData(exif);
        image->writeMetadata();
        return true;
    } catch (const std::exception &) {
        return false;
    }
#else
    Q_UNUSED(path); Q_UNUSED(stored); Q_UNUSED(embeddedThumbnail);
    return false;
#endif
}

bool writeHeif(const QString &path, const QImage &source, bool avif, const QByteArray &iccProfile, int nclxPrimaries)
{
#if FIXTURES_HAVE_HEIF
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    if (heif_context_get_encoder_for_format(context, avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder).code
        != heif_error_Ok) {
        heif_context_free(context);
        return false;
    }
    heif_image *picture = nullptr;
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height(); ++y)
        memcpy(plane + y * stride, image.constScanLine(y), size_t(image.width()) * 3);
    if (!iccProfile.isEmpty())
        heif_image_set_raw_color_profile(picture, "prof", iccProfile.constData(), size_t(iccProfile.size()));
    heif_color_profile_nclx *nclx = nclxPrimaries ? heif_nclx_color_profile_alloc() : nullptr;
    if (nclx) {
        heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(nclxPrimaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx, 13);
        heif_nclx_color_profile_set_matrix_coefficients(nclx, 6);
        nclx->full_range_flag = 1;
        heif_image_set_nclx_color_profile(picture, nclx);
    }
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image_handle *handle = nullptr;
    bool ok = heif_context_encode_image(context, picture, encoder, nullptr, &handle).code == heif_error_Ok;
    if (ok) {
        heif_image_handle_release(handle);
        ok = heif_context_write_to_file(context, QFile::encodeName(path).constData()).code == heif_error_Ok;
    }
    heif_image_release(picture);
    if (nclx)
        heif_nclx_color_profile_free(nclx);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
#else
    Q_UNUSED(path); Q_UNUSED(source); Q_UNUSED(avif); Q_UNUSED(iccProfile); Q_UNUSED(nclxPrimaries);
    return false;
#endif
}

namespace {

// One 8-bit RGB frame; a frame smaller than the canvas is a crop at its top-left corner. With a
// profile the pixels are stored losslessly as given.
bool encodeJxl(const QString &path, QSize canvas, const QImage &frame, const QByteArray &iccProfile)
{
#if FIXTURES_HAVE_JXL
    const QImage image = frame.convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    for (int y = 0; y < image.height(); ++y)
        pixels.append(reinterpret_cast<const char *>(image.constScanLine(y)), image.width() * 3);
    JxlEncoder *encoder = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(canvas.width());
    info.ysize = uint32_t(canvas.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = iccProfile.isEmpty() ? JXL_FALSE : JXL_TRUE;
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    const JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    bool ok = JxlEncoderSetBasicInfo(encoder, &info) == JXL_ENC_SUCCESS
        && (iccProfile.isEmpty()
                ? JxlEncoderSetColorEncoding(encoder, &colour)
                : JxlEncoderSetICCProfile(encoder, reinterpret_cast<const uint8_t *>(iccProfile.constData()),
                                          size_t(iccProfile.size()))) == JXL_ENC_SUCCESS;
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    if (!iccProfile.isEmpty())
        JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    if (image.size() != canvas) {
        JxlFrameHeader header;
        JxlEncoderInitFrameHeader(&header);
        header.layer_info.have_crop = JXL_TRUE;
        header.layer_info.xsize = uint32_t(image.width());
        header.layer_info.ysize = uint32_t(image.height());
        ok = ok && JxlEncoderSetFrameHeader(settings, &header) == JXL_ENC_SUCCESS;
    }
    ok = ok && JxlEncoderAddImageFrame(settings, &format, pixels.constData(), size_t(pixels.size())) == JXL_ENC_SUCCESS;
    JxlEncoderCloseInput(encoder);
    QByteArray out(1 << 20, 0); // far more than the small fixtures need, so one pass writes all
    uint8_t *next = reinterpret_cast<uint8_t *>(out.data());
    size_t available = size_t(out.size());
    ok = ok && JxlEncoderProcessOutput(encoder, &next, &available) == JXL_ENC_SUCCESS;
    JxlEncoderDestroy(encoder);
    out.resize(out.size() - qsizetype(available));
    QFile file(path);
    return ok && file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
#else
    Q_UNUSED(path); Q_UNUSED(canvas); Q_UNUSED(frame); Q_UNUSED(iccProfile);
    return false;
#endif
}

} // namespace

bool writeJxl(const QString &path, const QImage &stored, const QByteArray &iccProfile)
{
    return encodeJxl(path, stored.size(), stored, iccProfile);
}

bool writePdf(const QString &path, QSizeF points, const QImage &image)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(points, QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.drawImage(QRectF(QPointF(), points), image);
    return painter.end();
}

bool writeVideo(const QString &path)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return false;
    QProcess process;
    process.start(ffmpeg, {"-nostdin", "-v", "error", "-y",
                           "-f", "lavfi", "-i", "sine=frequency=440:duration=4",
                           "-f", "lavfi", "-i", "color=c=red:s=320x240:r=10:d=2",
                           "-f", "lavfi", "-i", "color=c=blue:s=320x240:r=10:d=2",
                           "-f", "lavfi", "-i", "color=c=green:s=64x48:r=10:d=4",
                           "-filter_complex", "[1:v][2:v]concat=n=2:v=1:a=0[v]",
                           "-map", "0:a", "-map", "[v]", "-map", "3:v",
                           "-c:v", "mpeg4", "-g", "1", "-q:v", "4", "-c:a", "aac", path});
    return process.waitForFinished(60000) && process.exitCode() == 0 && QFileInfo(path).size() > 0;
}

namespace {

// A little-endian TIFF writer just large enough for a DNG: entries are sorted by tag, values
// longer than four bytes go to the data area after the directory.
struct TiffEntry { quint16 tag, type; quint32 count; QByteArray value; };

QByteArray u16s(std::initializer_list<quint16> values)
{
    QByteArray b;
    for (quint16 v : values) { b.append(char(v & 0xFF)); b.append(char(v >> 8)); }
    return b;
}
QByteArray u32s(std::initializer_list<quint32> values)
{
    QByteArray b;
    for (quint32 v : values) b.append(u16s({quint16(v & 0xFFFF), quint16(v >> 16)}));
    return b;
}
TiffEntry shortEntry(quint16 tag, std::initializer_list<quint16> v) { return {tag, 3, quint32(v.size()), u16s(v)}; }
TiffEntry longEntry(quint16 tag, std::initializer_list<quint32> v) { return {tag, 4, quint32(v.size()), u32s(v)}; }
TiffEntry asciiEntry(quint16 tag, const char *text) { QByteArray b(text); b.append('\0'); return {tag, 2, quint32(b.size()), b}; }
TiffEntry byteEntry(quint16 tag, QByteArray bytes) { return {tag, 1, quint32(bytes.size()), bytes}; }

// Writes one IFD at `at` (its values right after it); returns the bytes. Offsets inside
// entries that point at other blocks must already be known to the caller.
QByteArray ifd(quint32 at, std::vector<TiffEntry> entries)
{
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.tag < b.tag; });
    QByteArray dir = u16s({quint16(entries.size())});
    QByteArray data;
    const quint32 dataStart = at + 2 + quint32(entries.size()) * 12 + 4;
    for (const auto &e : entries) {
        dir.append(u16s({e.tag, e.type})).append(u32s({e.count}));
        if (e.value.size() <= 4) {
            dir.append(e.value.leftJustified(4, '\0'));
        } else {
            dir.append(u32s({dataStart + quint32(data.size())}));
            data.append(e.value);
            if (data.size() % 2)
                data.append('\0');
        }
    }
    dir.append(u32s({0}));
    return dir + data;
}

} // namespace

bool writeDng(const QString &path, const QColor &previewColor)
{
    const int pw = 64, ph = 48, rw = 128, rh = 96;
    QByteArray preview;
    for (int i = 0; i < pw * ph; ++i)
        preview.append(char(previewColor.red())).append(char(previewColor.green())).append(char(previewColor.blue()));
    QByteArray raw;
    for (int y = 0; y < rh; ++y)
        for (int x = 0; x < rw; ++x)
            raw.append(u16s({quint16(1000 + (x * 7 + y * 13) % 2000)}));
    // Layout: header, preview pixels, raw pixels, raw IFD, IFD0.
    const quint32 previewAt = 8, rawAt = previewAt + quint32(preview.size());
    const quint32 rawIfdAt = rawAt + quint32(raw.size());
    QByteArray srational;
    for (int i = 0; i < 9; ++i)
        srational.append(u32s({quint32(i % 4 == 0 ? 10000 : 0), 10000}));
    const QByteArray rawIfd = ifd(rawIfdAt, {
        longEntry(254, {0}), longEntry(256, {quint32(rw)}), longEntry(257, {quint32(rh)}),
        shortEntry(258, {16}), shortEntry(259, {1}), shortEntry(262, {32803}),
        longEntry(273, {rawAt}), shortEntry(277, {1}), longEntry(278, {quint32(rh)}),
        longEntry(279, {quint32(raw.size())}), shortEntry(284, {1}),
        shortEntry(33421, {2, 2}), byteEntry(33422, QByteArray("\x00\x01\x01\x02", 4)),
        longEntry(50717, {4095})});
    const quint32 ifd0At = rawIfdAt + quint32(rawIfd.size()) + (rawIfd.size() % 2);
    const QByteArray ifd0 = ifd(ifd0At, {
        longEntry(254, {1}), longEntry(256, {quint32(pw)}), longEntry(257, {quint32(ph)}),
        shortEntry(258, {8, 8, 8}), shortEntry(259, {1}), shortEntry(262, {2}),
        asciiEntry(271, "Lumory"), asciiEntry(272, "Test Camera"),
        longEntry(273, {previewAt}), shortEntry(274, {1}), shortEntry(277, {3}),
        longEntry(278, {quint32(ph)}), longEntry(279, {quint32(preview.size())}), shortEntry(284, {1}),
        longEntry(330, {rawIfdAt}),
        byteEntry(50706, QByteArray("\x01\x04\x00\x00", 4)), asciiEntry(50708, "Lumory Test Camera"),
        {50721, 10, 9, srational}, shortEntry(50778, {21})});
    QByteArray file = QByteArray("II") + u16s({42}) + u32s({ifd0At});
    file += preview + raw + rawIfd;
    if (rawIfd.size() % 2)
        file.append('\0');
    file += ifd0;
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

QByteArray tiffBytes(QSize size, QRgb colour, bool palette)
{
    const int channels[3] = {qRed(colour), qGreen(colour), qBlue(colour)};
    QByteArray raw;
    if (palette) {
        raw = QByteArray(qsizetype(size.width()) * size.height(), '\0');
    } else {
        raw.reserve(qsizetype(size.width()) * size.height() * 3);
        const char rgb[3] = {char(channels[0]), char(channels[1]), char(channels[2])};
        const QByteArray pixel(rgb, 3);
        const QByteArray row = pixel.repeated(size.width());
        for (int y = 0; y < size.height(); ++y)
            raw.append(row);
    }
    const QByteArray strip = deflated(raw);
    raw.clear();
    std::vector<TiffEntry> entries = {
        longEntry(256, {quint32(size.width())}), longEntry(257, {quint32(size.height())}), shortEntry(259, {8}),
        longEntry(278, {quint32(size.height())}), longEntry(279, {quint32(strip.size())})};
    if (palette) {
        // Index 0 is the colour; the map holds 16-bit values, all the reds, then greens, blues.
        QByteArray map(3 * 256 * 2, '\0');
        for (int c = 0; c < 3; ++c)
            map[c * 512] = map[c * 512 + 1] = char(channels[c]);
        entries.insert(entries.end(), {shortEntry(258, {8}), shortEntry(262, {3}), shortEntry(277, {1}), {320, 3, 768, map}});
    } else {
        entries.insert(entries.end(), {shortEntry(258, {8, 8, 8}), shortEntry(262, {2}), shortEntry(277, {3})});
    }
    const quint32 stripAt = 8, ifdAt = stripAt + quint32(strip.size()) + quint32(strip.size() % 2);
    entries.push_back(longEntry(273, {stripAt}));
    QByteArray file = QByteArray("II") + u16s({42}) + u32s({ifdAt}) + strip;
    if (strip.size() % 2)
        file.append('\0');
    return file + ifd(ifdAt, entries);
}


QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    return be32(quint32(data.size())) + body + be32(crc32(body));
}

QByteArray pngBytes(QSize size, int bitDepth, int colourType, const QList<int> &left, const QList<int> &right,
                    const QList<QRgb> &palette)
{
    const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    QByteArray row(1, '\0');       // filter type 0
    quint32 bits = 0;
    int used = 0;
    for (int x = 0; x < size.width(); ++x) {
        const QList<int> &pixel = x < size.width() / 2 ? left : right;
        for (int c = 0; c < channels; ++c) {
            if (bitDepth == 16) {
                row.append(be16(quint16(pixel[c])));
                continue;
            }
            bits = bits << bitDepth | quint32(pixel[c] & ((1 << bitDepth) - 1));
            used += bitDepth;
            if (used == 8) {
                row.append(char(bits));
                bits = 0;
                used = 0;
            }
        }
    }
    if (used)
        row.append(char(bits << (8 - used)));
    QByteArray raw;
    raw.reserve(row.size() * size.height());
    for (int y = 0; y < size.height(); ++y)
        raw.append(row);

    QByteArray header = be32(quint32(size.width())) + be32(quint32(size.height()));
    header.append(char(bitDepth)).append(char(colourType)).append(3, '\0');
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += pngChunk("IHDR", header);
    if (!palette.isEmpty()) {
        QByteArray plte, trns;
        for (QRgb c : palette) {
            plte.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
            trns.append(char(qAlpha(c)));
        }
        png += pngChunk("PLTE", plte);
        if (std::any_of(palette.begin(), palette.end(), [](QRgb c) { return qAlpha(c) < 255; }))
            png += pngChunk("tRNS", trns);
    }
    png += pngChunk("IDAT", deflated(raw));
    png += pngChunk("IEND", {});
    return png;
}

QByteArray jpegHeaderBytes(QSize declared, bool progressive)
{
    QByteArray jpeg("\xFF\xD8", 2);
    auto segment = [&](quint8 marker, const QByteArray &body) {
        jpeg.append(char(0xFF)).append(char(marker)).append(be16(quint16(body.size() + 2))).append(body);
    };
    segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));           // one quantisation table
    QByteArray frame(1, '\x08');
    frame += be16(quint16(declared.height())) + be16(quint16(declared.width()));
    frame += QByteArray("\x03\x01\x22\x00\x02\x11\x00\x03\x11\x00", 10);
    segment(progressive ? 0xC2 : 0xC0, frame);
    // The smallest Huffman tables there are: one one-bit code each.
    for (char table : {'\x00', '\x10'})
        segment(0xC4, QByteArray(1, table) + QByteArray(1, '\1') + QByteArray(15, '\0') + QByteArray(1, '\0'));
    segment(0xDA, QByteArray("\x03\x01\x00\x02\x00\x03\x00", 7)
                      + QByteArray(progressive ? "\x00\x00\x00" : "\x00\x3F\x00", 3));
    return jpeg;
}

QByteArray pdfBytes(QSizeF mediaBox, const QColor &fill)
{
    const QByteArray content = QStringLiteral("%1 %2 %3 rg 0 0 %4 %5 re f\n")
                                   .arg(fill.redF()).arg(fill.greenF()).arg(fill.blueF())
                                   .arg(mediaBox.width(), 0, 'f', 3).arg(mediaBox.height(), 0, 'f', 3).toLatin1();
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        QStringLiteral("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %1 %2] /Contents 4 0 R >>")
            .arg(mediaBox.width(), 0, 'f', 3).arg(mediaBox.height(), 0, 'f', 3).toLatin1(),
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream"};
    QByteArray pdf("%PDF-1.4\n");
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

QByteArray svgBytes(const QString &width, const QString &height, const QColor &fill)
{
    return QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%2'>"
                          "<rect width='%1' height='%2' fill='%3'/></svg>")
        .arg(width, height, fill.name()).toUtf8();
}

bool writeHeifDeclaring(const QString &path, QSize declared, bool avif)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    if (!writeHeif(path, picture, avif))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    // The image spatial extents property: box size, "ispe", version and flags, width, height.
    bool patched = false;
    for (qsizetype at = bytes.indexOf("ispe"); at >= 4; at = bytes.indexOf("ispe", at + 4)) {
        bytes.replace(at + 8, 8, be32(quint32(declared.width())) + be32(quint32(declared.height())));
        patched = true;
    }
    return patched && file.seek(0) && file.write(bytes) == bytes.size();
}

bool writeJxlCanvas(const QString &path, QSize declared)
{
    return encodeJxl(path, declared, filled(QSize(8, 8), QColor(160, 160, 160)), {});
}

} // namespace lmrimages
