#include "platform/ImageSource.h"
#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"
#include "support/HeapMemory.h"
#include "support/Log.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMimeDatabase>
#include <QTransform>

#include <atomic>
#include <malloc.h>
#include <unistd.h>

#if LUMORY_HAVE_TIFF
#include <tiffio.h>
#endif

namespace {

struct Registry
{
    QHash<QString, lmrimage::Opener> openers;
    QStringList mimeTypes;
};

const Registry &registry()
{
    static const Registry table = [] {
        Registry r;
        // The specialised decoders come first: Qt's TIFF reader would otherwise claim DNG and
        // NEF files (TIFF inside) and show their small first-page preview as the image.
        const lmrimage::Backend backends[] = {
            lmrimage::jpegBackend(), lmrimage::heifBackend(), lmrimage::jxlBackend(),
            lmrimage::rawBackend(), lmrimage::pdfBackend(), lmrimage::qtBackend()};
        QMimeDatabase db;
        for (const auto &backend : backends) {
            for (const QString &type : backend.mimeTypes) {
                // Only names the MIME database knows can ever be an item's type.
                const QMimeType mime = db.mimeTypeForName(type);
                if (!mime.isValid() || r.openers.contains(mime.name()))
                    continue;
                r.openers.insert(mime.name(), backend.open);
                r.mimeTypes.append(mime.name());
            }
        }
        r.mimeTypes.sort();
        return r;
    }();
    return table;
}

lmrimage::Opener openerFor(const QString &mimeType)
{
    const Registry &r = registry();
    if (auto it = r.openers.constFind(mimeType); it != r.openers.constEnd())
        return it.value();
    if (mimeType.isEmpty())
        return nullptr;
    // Aliases (image/heic, image/x-ms-bmp, ...) answer through their canonical name.
    const QMimeType mime = QMimeDatabase().mimeTypeForName(mimeType);
    if (mime.isValid() && mime.name() != mimeType)
        return r.openers.value(mime.name());
    return nullptr;
}

// The source for a file no image decoder is responsible for (a video, say): it answers
// nothing, which sends the thumbnail renderer on to the video decoder.
class NoImageSource : public LMRImageSource
{
public:
    explicit NoImageSource(const QString &path) : LMRImageSource(path) {}
};

// Zero until first asked for, then the budget in bytes.
std::atomic<qint64> g_decodeByteBudget{0};

qint64 physicalMemoryShare()
{
    constexpr qint64 cap = qint64(2) << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return cap;
    return std::min(cap, qint64(pages) * qint64(pageSize) / 4);
}

void applyQtAllocationLimit(qint64 bytes)
{
    // Qt refuses, as a failed read, any image whose pixels would take more than this; its
    // default (128 MB) turns away ordinary 36-megapixel photographs.
    QImageReader::setAllocationLimit(int(std::clamp<qint64>(bytes >> 20, 1, INT_MAX)));
}

} // namespace

LMRImageSource::~LMRImageSource() = default;

qint64 LMRImageSource::decodeByteBudget()
{
    qint64 budget = g_decodeByteBudget.load(std::memory_order_relaxed);
    if (budget == 0) {
        budget = physicalMemoryShare();
        g_decodeByteBudget.store(budget, std::memory_order_relaxed);
    }
    return budget;
}

void LMRImageSource::setDecodeByteBudget(qint64 bytes)
{
    const qint64 budget = qMax<qint64>(bytes, 1);
    g_decodeByteBudget.store(budget, std::memory_order_relaxed);
    applyQtAllocationLimit(budget);
}

qint64 LMRImageSource::pixelLimit(double bytesPerPixel)
{
    // 2^29 pixels is the most any decoder here is trusted with, whatever the memory: beyond it
    // int arithmetic on byte counts (Qt's among them) comes too close to overflowing.
    constexpr qint64 ceiling = qint64(1) << 29;
    if (!(bytesPerPixel > 0))
        return ceiling;
    return std::min(ceiling, qint64(double(decodeByteBudget()) / bytesPerPixel));
}

bool LMRImageSource::admitDeclaredSize(QSize declared, double bytesPerPixel)
{
    if (m_tooLarge)
        return false;
    if (declared.width() <= 0 || declared.height() <= 0)
        return true;
    const qint64 limit = pixelLimit(bytesPerPixel);
    if (qint64(declared.width()) * declared.height() <= limit)
        return true;
    refuseAsTooLarge(declared, limit);
    return false;
}

void LMRImageSource::refuseAsTooLarge(QSize declared, qint64 limit)
{
    if (m_tooLarge)
        return;
    m_tooLarge = true;
    if (declared.isValid())
        LMRLog(QStringLiteral("! Image too large to decode: %1 declares %2 x %3 pixels, more than %4")
                   .arg(m_path).arg(declared.width()).arg(declared.height()).arg(limit));
    else
        LMRLog(QStringLiteral("! Image too large to decode: %1").arg(m_path));
}

namespace lmrimage {

namespace {

class RefusedSource : public LMRImageSource
{
public:
    explicit RefusedSource(const QString &path) : LMRImageSource(path) {}
    QImage thumbnail(int) override { return refuse(), QImage(); }
    LMRImage fullImage() override { return refuse(), LMRImage(); }

private:
    void refuse() { refuseAsTooLarge({}, 0); }
};

} // namespace

std::unique_ptr<LMRImageSource> refusedSource(const QString &path)
{
    return std::make_unique<RefusedSource>(path);
}

} // namespace lmrimage

namespace {

// Memory the process has not touched before costs a page fault per 4 KB when first written; in
// a virtual machine that hands freed memory back to its host such a fault costs 10-15 us, and a
// 288-pixel thumbnail square (81 pages) a millisecond. glibc raises its limits only after the
// first large buffer has gone back to the system, and meanwhile returns the top of a heap as
// soon as 256 KB of it lie free. Set from the start, buffers up to a 1080p decode come from the
// heaps, and up to 24 MB left free at the top of one stay there for the next buffers: the
// memory a loading worker touches before its first folder is there for the squares it renders.
void keepFreedMemory()
{
#ifdef M_MMAP_THRESHOLD
    mallopt(M_MMAP_THRESHOLD, int(LMRHeapMemory::kHeapBufferBytes));
    mallopt(M_TRIM_THRESHOLD, 24 * 1024 * 1024);
#endif
}

} // namespace

void LMRImageSource::initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
#if LUMORY_HAVE_TIFF
    // Qt's format sniffing hands every unknown file to libtiff, which reports each one on stderr.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
#endif
    applyQtAllocationLimit(decodeByteBudget());
    keepFreedMemory();
    lmrimage::initializeExiv2();
    lmrimage::initializeHeif();
    lmrimage::initializeRaw();
    lmrimage::initializePdf();
    registry();
}

QStringList LMRImageSource::readableMimeTypes()
{
    return registry().mimeTypes;
}

bool LMRImageSource::canRead(const QString &mimeType)
{
    return openerFor(mimeType) != nullptr;
}

std::unique_ptr<LMRImageSource> LMRImageSource::open(const QString &path, const QString &mimeHint)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return nullptr;
    lmrimage::Opener opener = openerFor(mimeHint);
    if (!opener)
        return std::make_unique<NoImageSource>(path);
    if (auto source = opener(path, mimeHint))
        return source;
    // Browsers and phones save WebP, PNG or HEIC under a .jpg name. Only now, when the named
    // decoder has refused the header, is the content read to name the type: listing never pays
    // for it.
    const QString sniffed = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchContent).name();
    lmrimage::Opener byContent = sniffed == mimeHint ? nullptr : openerFor(sniffed);
    return byContent ? byContent(path, sniffed) : nullptr;
}

LMRImage LMRImageSource::decodeFile(const QString &path, const QString &mimeHint)
{
    LMRImage unreadable;
    unreadable.failure = LMRImage::Failure::Unreadable;
    LMRImage tooLarge;
    tooLarge.failure = LMRImage::Failure::TooLarge;
    if (!QFileInfo(path).isFile())
        return unreadable;
    if (lmrimage::Opener opener = openerFor(mimeHint)) {
        if (auto source = opener(path, mimeHint)) {
            LMRImage image = source->fullImage();
            if (image.isValid())
                return image;
            // The decoder read the header and refused its size: another decoder would only
            // find the same size.
            if (source->isTooLarge())
                return tooLarge;
        }
    }
    const QString sniffed = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchContent).name();
    if (sniffed == mimeHint)
        return unreadable;
    if (lmrimage::Opener opener = openerFor(sniffed)) {
        if (auto source = opener(path, sniffed)) {
            LMRImage image = source->fullImage();
            if (image.isValid())
                return image;
            return source->isTooLarge() ? tooLarge : unreadable;
        }
    }
    return unreadable;
}

namespace lmrimage {

QSize fittedSize(QSize size, int maxPixelSize, bool enlarge)
{
    if (size.isEmpty() || maxPixelSize <= 0)
        return {};
    const int longer = qMax(size.width(), size.height());
    if (longer <= maxPixelSize && !enlarge)
        return size;
    const double scale = double(maxPixelSize) / longer;
    return QSize(qBound(1, qRound(size.width() * scale), maxPixelSize),
                 qBound(1, qRound(size.height() * scale), maxPixelSize));
}

QImage scaledToFit(QImage image, int maxPixelSize)
{
    if (image.isNull() || maxPixelSize <= 0)
        return image;
    const QSize target = fittedSize(image.size(), maxPixelSize);
    if (target == image.size())
        return image;
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage displayable(QImage image)
{
    // Qt's smooth scaling, shrinking more than twice, keeps a 1-bit image 1-bit, dithered to
    // black and white whatever its colour table; keeps an 8-bit palette a palette, its
    // in-between colours lost; and gets 16-bit colour with unpremultiplied alpha wrong (half
    // the alpha, twice the colour), as does its conversion of such a decoded image to
    // premultiplied 16-bit. Every other format the decoders give scales and draws true.
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_RGBA64: {
        const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        return std::move(image).convertToFormat(format);
    }
    default:
        return image;
    }
}

QImage applyOrientation(QImage image, int orientation)
{
    if (image.isNull() || orientation < 2 || orientation > 8)
        return image;
    // The EXIF table as mirror-then-rotate-clockwise steps: 2 mirror, 3 rotate 180, 4 flip,
    // 5 flip + 90, 6 rotate 90, 7 mirror + 90, 8 rotate 270.
    static const struct { bool mirror, flip; int rotate; } steps[9] = {
        {}, {}, {true, false, 0}, {true, true, 0}, {false, true, 0},
        {false, true, 90}, {false, false, 90}, {true, false, 90}, {false, false, 270}};
    const auto &step = steps[orientation];
    if (step.mirror || step.flip)
        image = std::move(image).mirrored(step.mirror, step.flip);
    if (step.rotate)
        image = image.transformed(QTransform().rotate(step.rotate));
    return image;
}

int exifOrientation(const uchar *tiff, qsizetype length)
{
    // Only one tag of IFD0 is wanted on the full-decode path; handing the block to a metadata
    // library would parse every maker note of every photograph for it.
    if (!tiff || length < 8)
        return 1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    auto u16 = [&](qsizetype at) -> quint32 {
        return little ? quint32(tiff[at] | tiff[at + 1] << 8) : quint32(tiff[at] << 8 | tiff[at + 1]);
    };
    auto u32 = [&](qsizetype at) -> quint32 {
        return little ? quint32(u16(at) | u16(at + 2) << 16) : quint32(u16(at) << 16 | u16(at + 2));
    };
    const quint32 ifd = u32(4);
    if (ifd > quint64(length) - 2)
        return 1;
    const quint32 count = u16(ifd);
    for (quint32 i = 0; i < count; ++i) {
        const quint64 entry = quint64(ifd) + 2 + quint64(i) * 12;
        if (entry + 12 > quint64(length))
            break;
        if (u16(entry) == 0x0112) {
            const quint32 value = u16(entry + 8);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

QImage decodePreviewBytes(const QByteArray &data, int maxPixelSize)
{
    if (data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8) {
        QByteArray profile;
        QImage jpeg = decodeJpeg(data, maxPixelSize, nullptr, &profile);
        if (!jpeg.isNull())
            return LMRColorManagement::convertToOutput(std::move(jpeg), profile);
    }
    // Previews are files within files, as hostile as any: their declared size is read first.
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    const QSize declared = reader.size();
    if (qint64(declared.width()) * declared.height() > LMRImageSource::pixelLimit(4))
        return {};
    return LMRColorManagement::convertToOutput(scaledToFit(displayable(reader.read()), maxPixelSize));
}

} // namespace lmrimage
