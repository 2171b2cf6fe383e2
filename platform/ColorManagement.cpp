// Colour conversion through Little CMS. One source profile entry per (profile bytes, output),
// holding the transforms made for it, one per pixel layout; entries are shared, so that one in
// use on a decoding thread outlives its eviction from the table.

#include "platform/ColorManagement.h"

#include <QColorSpace>
#include <QHash>
#include <QtConcurrent/QtConcurrentMap>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

#if LUMORY_HAVE_LCMS2
#include <lcms2.h>
#endif

namespace {

// A picture this large is converted in bands on the thread pool: a 24-megapixel photograph
// takes a few hundred milliseconds on one core.
constexpr qsizetype kParallelPixels = 1 << 20;

std::mutex &outputLock()
{
    static std::mutex lock;
    return lock;
}

QByteArray &displayProfileBytes()
{
    static QByteArray bytes;
    return bytes;
}

bool hasDisplayProfile()
{
    std::lock_guard<std::mutex> guard(outputLock());
    return !displayProfileBytes().isEmpty();
}

// The formats the transforms below read and write in place; everything else is brought to one
// of them first.
QImage inTransformableFormat(QImage image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_Indexed8:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return image;
    case QImage::Format_ARGB32_Premultiplied:
        return std::move(image).convertToFormat(QImage::Format_ARGB32);
    case QImage::Format_RGBA8888_Premultiplied:
        return std::move(image).convertToFormat(QImage::Format_RGBA8888);
    case QImage::Format_RGBA64_Premultiplied:
        return std::move(image).convertToFormat(QImage::Format_RGBA64);
    default:
        break;
    }
    if (image.depth() > 32)
        return std::move(image).convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    return std::move(image).convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

} // namespace

#if LUMORY_HAVE_LCMS2

namespace {

enum Layout { Bgra8, Rgba8, Rgb8, Bgr8, Rgba16, Gray8, Gray16, LayoutCount };

// The input and output layouts of each kind. Grey sources are written into colour images.
cmsUInt32Number inputType(Layout layout)
{
    switch (layout) {
    case Bgra8: return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;
    case Rgba8: return TYPE_RGBA_8;
    case Rgb8: return TYPE_RGB_8;
    case Bgr8: return TYPE_BGR_8;
    case Rgba16: return TYPE_RGBA_16;
    case Gray8: return TYPE_GRAY_8;
    case Gray16: return TYPE_GRAY_16;
    default: return 0;
    }
}

cmsUInt32Number outputType(Layout layout)
{
    switch (layout) {
    case Gray8: return inputType(Bgra8);
    case Gray16: return TYPE_RGBA_16;
    default: return inputType(layout);
    }
}

struct ProfileCloser { void operator()(void *p) const { if (p) cmsCloseProfile(p); } };
using Profile = std::unique_ptr<void, ProfileCloser>;

Profile openOutputProfile(const QByteArray &display)
{
    if (!display.isEmpty()) {
        Profile profile(cmsOpenProfileFromMem(display.constData(), cmsUInt32Number(display.size())));
        if (profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData)
            return profile;
    }
    return Profile(cmsCreate_sRGBProfile());
}

// One source profile towards one output. Transforms are made on first use of a layout.
struct SourceEntry
{
    QByteArray source;          // empty: sRGB
    QByteArray output;          // empty: sRGB
    bool usable = false;
    bool gray = false;
    bool identity = false;      // the transform changes no 8-bit value by more than 1
    std::array<cmsHTRANSFORM, LayoutCount> transforms{};
    std::mutex lock;            // guards making transforms

    ~SourceEntry()
    {
        for (cmsHTRANSFORM t : transforms)
            if (t)
                cmsDeleteTransform(t);
    }

    cmsHTRANSFORM transform(Layout layout)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (transforms[layout])
            return transforms[layout];
        Profile in(source.isEmpty() ? cmsCreate_sRGBProfile()
                                    : cmsOpenProfileFromMem(source.constData(), cmsUInt32Number(source.size())));
        Profile out = openOutputProfile(output);
        if (!in || !out)
            return nullptr;
        // No one-pixel cache: it is written by every call, and the transforms are shared
        // between threads. Alpha passes through untouched.
        const cmsUInt32Number flags = cmsFLAGS_NOCACHE | (layout == Gray8 || layout == Gray16 ? 0 : cmsFLAGS_COPY_ALPHA);
        transforms[layout] = cmsCreateTransform(in.get(), inputType(layout), out.get(), outputType(layout),
                                                INTENT_PERCEPTUAL, flags);
        return transforms[layout];
    }
};

std::shared_ptr<SourceEntry> makeEntry(const QByteArray &source, const QByteArray &output)
{
    auto entry = std::make_shared<SourceEntry>();
    entry->source = source;
    entry->output = output;
    Profile in(source.isEmpty() ? cmsCreate_sRGBProfile()
                                : cmsOpenProfileFromMem(source.constData(), cmsUInt32Number(source.size())));
    if (!in)
        return entry;
    const cmsColorSpaceSignature space = cmsGetColorSpace(in.get());
    entry->gray = space == cmsSigGrayData;
    entry->usable = space == cmsSigRgbData || entry->gray;
    if (!entry->usable || entry->gray)
        return entry;
    // An sRGB profile by another name (cameras and editors write their own copies) converts
    // to itself: recognised once here, such pictures are then left alone like untagged ones.
    cmsHTRANSFORM t = entry->transform(Bgra8);
    if (!t) {
        entry->usable = false;
        return entry;
    }
    std::vector<quint32> samples;
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51)
                samples.push_back(qRgb(r, g, b));
    std::vector<quint32> converted(samples.size());
    cmsDoTransform(t, samples.data(), converted.data(), cmsUInt32Number(samples.size()));
    entry->identity = true;
    for (size_t i = 0; i < samples.size() && entry->identity; ++i) {
        entry->identity = qAbs(qRed(samples[i]) - qRed(converted[i])) <= 1
            && qAbs(qGreen(samples[i]) - qGreen(converted[i])) <= 1
            && qAbs(qBlue(samples[i]) - qBlue(converted[i])) <= 1;
    }
    return entry;
}

std::shared_ptr<SourceEntry> entryFor(const QByteArray &source)
{
    // A handful of profiles cover a photo library (sRGB, Display P3, Adobe RGB, a camera's
    // own); beyond this the oldest are dropped.
    constexpr qsizetype kMaxEntries = 16;
    static std::vector<std::shared_ptr<SourceEntry>> entries;
    static std::mutex entriesLock;
    QByteArray output;
    {
        std::lock_guard<std::mutex> guard(outputLock());
        output = displayProfileBytes();
    }
    std::lock_guard<std::mutex> guard(entriesLock);
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if ((*it)->source == source && (*it)->output == output)
            return *it;
    }
    // Entries for an output no longer in force are useless now.
    std::erase_if(entries, [&](const auto &entry) { return entry->output != output; });
    if (qsizetype(entries.size()) >= kMaxEntries)
        entries.erase(entries.begin());
    entries.push_back(makeEntry(source, output));
    return entries.back();
}

void transformRows(cmsHTRANSFORM transform, const uchar *in, qsizetype inStride, uchar *out, qsizetype outStride,
                   int width, int height)
{
    auto band = [&](std::pair<int, int> rows) {
        cmsDoTransformLineStride(transform, in + rows.first * inStride, out + rows.first * outStride,
                                 cmsUInt32Number(width), cmsUInt32Number(rows.second - rows.first),
                                 cmsUInt32Number(inStride), cmsUInt32Number(outStride), 0, 0);
    };
    if (qsizetype(width) * height < kParallelPixels) {
        band({0, height});
        return;
    }
    const int bands = 8;
    std::vector<std::pair<int, int>> ranges;
    for (int i = 0; i < bands; ++i)
        ranges.emplace_back(height * i / bands, height * (i + 1) / bands);
    QtConcurrent::blockingMap(ranges, band);
}

Layout layoutFor(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: return Bgra8;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888: return Rgba8;
    case QImage::Format_RGB888: return Rgb8;
    case QImage::Format_BGR888: return Bgr8;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64: return Rgba16;
    case QImage::Format_Grayscale8: return Gray8;
    case QImage::Format_Grayscale16: return Gray16;
    default: return LayoutCount;
    }
}

QImage convert(QImage image, const std::shared_ptr<SourceEntry> &entry)
{
    image = inTransformableFormat(std::move(image));
    if (!image.colorTable().isEmpty()) {
        // A palette picture: its few colours are converted, not its pixels.
        if (entry->gray)
            return image;
        cmsHTRANSFORM t = entry->transform(Bgra8);
        if (!t)
            return image;
        QList<QRgb> table = image.colorTable();
        QList<QRgb> converted(table.size());
        cmsDoTransform(t, table.constData(), converted.data(), cmsUInt32Number(table.size()));
        image.setColorTable(converted);
        return image;
    }

    // A grey picture needs a grey profile and a colour picture a colour one; a file that says
    // otherwise is shown as decoded.
    const bool grayImage = image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16;
    if (grayImage != entry->gray)
        return image;
    const Layout layout = layoutFor(image.format());
    cmsHTRANSFORM t = layout == LayoutCount ? nullptr : entry->transform(layout);
    if (!t)
        return image;
    if (layout == Gray8 || layout == Gray16) {
        // Grey in, colour out: the output is a new opaque image.
        QImage out(image.size(), layout == Gray8 ? QImage::Format_RGB32 : QImage::Format_RGBX64);
        if (out.isNull())
            return image;
        out.fill(Qt::white);
        transformRows(t, image.constBits(), image.bytesPerLine(), out.bits(), out.bytesPerLine(), image.width(),
                      image.height());
        out.setDevicePixelRatio(image.devicePixelRatio());
        return out;
    }
    uchar *bits = image.bits();     // detaches once; the rows are then converted in place
    if (!bits)
        return image;
    transformRows(t, bits, image.bytesPerLine(), bits, image.bytesPerLine(), image.width(), image.height());
    return image;
}

void silenceLittleCms()
{
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler([](cmsContext, cmsUInt32Number, const char *) {}); });
}

} // namespace

namespace LMRColorManagement {

void setDisplayProfile(const QByteArray &iccProfile)
{
    silenceLittleCms();
    QByteArray usable;
    if (!iccProfile.isEmpty()) {
        Profile profile(cmsOpenProfileFromMem(iccProfile.constData(), cmsUInt32Number(iccProfile.size())));
        // Only an RGB display profile can be converted to; anything else counts as none.
        if (profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData
            && cmsGetDeviceClass(profile.get()) != cmsSigLinkClass)
            usable = iccProfile;
    }
    std::lock_guard<std::mutex> guard(outputLock());
    displayProfileBytes() = usable;
}

bool isUsableProfile(const QByteArray &iccProfile)
{
    silenceLittleCms();
    return !iccProfile.isEmpty() && entryFor(iccProfile)->usable;
}

QImage convertToOutput(QImage image, const QByteArray &iccProfile)
{
    if (image.isNull())
        return image;
    // Untagged pictures shown on an sRGB output: the common case costs nothing.
    if (iccProfile.isEmpty() && !hasDisplayProfile())
        return image;
    silenceLittleCms();
    const std::shared_ptr<SourceEntry> entry = entryFor(iccProfile);
    if (!entry->usable || entry->identity)
        return image;
    QImage converted = convert(std::move(image), entry);
    if (!hasDisplayProfile())
        converted.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return converted;
}

QByteArray profileFromChromaticities(const double primaries[6], const double white[2], int transfer)
{
    silenceLittleCms();
    cmsToneCurve *curve = nullptr;
    switch (transfer) {
    case 1: case 6: case 14: case 15: {
        // The inverse of the BT.709 camera curve.
        const cmsFloat64Number p[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
        curve = cmsBuildParametricToneCurve(nullptr, 4, p);
        break;
    }
    case 4: curve = cmsBuildGamma(nullptr, 2.2); break;
    case 5: curve = cmsBuildGamma(nullptr, 2.8); break;
    case 8: curve = cmsBuildGamma(nullptr, 1.0); break;
    case 16: case 18:
        return {};      // PQ and HLG are scene- or HDR-referred: no display profile expresses them
    default: {
        const cmsFloat64Number p[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(nullptr, 4, p);
        break;
    }
    }
    if (!curve)
        return {};
    const cmsCIExyY whitePoint = {white[0], white[1], 1.0};
    const cmsCIExyYTRIPLE triple = {{primaries[0], primaries[1], 1.0},
                                    {primaries[2], primaries[3], 1.0},
                                    {primaries[4], primaries[5], 1.0}};
    cmsToneCurve *curves[3] = {curve, curve, curve};
    Profile profile(cmsCreateRGBProfile(&whitePoint, &triple, curves));
    cmsFreeToneCurve(curve);
    if (!profile)
        return {};
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0)
        return {};
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size))
        return {};
    return bytes;
}

} // namespace LMRColorManagement

#else   // without Little CMS: Qt's own conversion, for the profiles it understands, to sRGB only

namespace LMRColorManagement {

void setDisplayProfile(const QByteArray &iccProfile)
{
    Q_UNUSED(iccProfile);
}

bool isUsableProfile(const QByteArray &iccProfile)
{
    return QColorSpace::fromIccProfile(iccProfile).isValid();
}

QImage convertToOutput(QImage image, const QByteArray &iccProfile)
{
    if (image.isNull() || iccProfile.isEmpty())
        return image;
    const QColorSpace space = QColorSpace::fromIccProfile(iccProfile);
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return image;
    image = inTransformableFormat(std::move(image));
    if (image.format() == QImage::Format_Indexed8 || image.depth() < 8)
        image = std::move(image).convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.setColorSpace(space);
    image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

QByteArray profileFromChromaticities(const double *, const double *, int)
{
    return {};
}

} // namespace LMRColorManagement

#endif

namespace LMRColorManagement {

QByteArray displayProfile()
{
    std::lock_guard<std::mutex> guard(outputLock());
    return displayProfileBytes();
}

QImage convertToOutput(QImage image)
{
    const QColorSpace space = image.colorSpace();
    if (!space.isValid())
        return convertToOutput(std::move(image), QByteArray());
    if (!space.iccProfile().isEmpty())
        return convertToOutput(std::move(image), space.iccProfile());
    if (space == QColorSpace(QColorSpace::SRgb))
        return convertToOutput(std::move(image), QByteArray());
    // A colour space described by values (a PNG's gAMA and cHRM chunks): matrices and curves,
    // which Qt converts exactly. Then on from sRGB as for any untagged picture.
    image = inTransformableFormat(std::move(image));
    if (!image.colorTable().isEmpty() || image.format() == QImage::Format_Grayscale8
        || image.format() == QImage::Format_Grayscale16)
        image = std::move(image).convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    return convertToOutput(std::move(image), QByteArray());
}

} // namespace LMRColorManagement
