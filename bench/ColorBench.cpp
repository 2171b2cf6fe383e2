// lumory-bench iccjpegs: the same JPEGs twice, as they are and with a wide-gamut ICC profile
// spliced in after the start marker (no re-encoding, so the pixels and the decode work are the
// same), for measuring what colour management adds to the thumbnail path with `thumbs`.

#include "BenchCommand.h"

#include "platform/ColorManagement.h"

#include <QColorSpace>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QTextStream>

namespace {

QByteArray app2Segment(const QByteArray &profile)
{
    // One APP2 "ICC_PROFILE" chunk: sequence number 1 of 1.
    QByteArray payload = QByteArrayLiteral("ICC_PROFILE") + '\0' + char(1) + char(1) + profile;
    const int length = int(payload.size()) + 2;
    QByteArray segment;
    segment += char(0xFF);
    segment += char(0xE2);
    segment += char((length >> 8) & 0xFF);
    segment += char(length & 0xFF);
    return segment + payload;
}

} // namespace

LMR_BENCH_COMMAND(iccjpegs, "iccjpegs",
                  "iccjpegs SRC OUT [p3|adobe] [N]  -- OUT/plain and OUT/tagged: the first N JPEGs of SRC, without "
                  "and with a Display P3 or Adobe RGB profile")
{
    QTextStream out(stdout);
    if (args.size() < 2) {
        out << "usage: lumory-bench iccjpegs SRC OUT [p3|adobe] [N]\n";
        return 2;
    }
    const bool adobe = args.size() > 2 && args.at(2) == QLatin1String("adobe");
    const int limit = args.size() > 3 ? qMax(1, args.at(3).toInt()) : 1 << 30;
    const double white[2] = {0.3127, 0.3290};
    const double p3[6] = {0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    const double adobeRgb[6] = {0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
    // Transfer 13 is the sRGB curve (Display P3 uses it); 4 is gamma 2.2.
    const QByteArray profile = adobe ? LMRColorManagement::profileFromChromaticities(adobeRgb, white, 4)
                                     : LMRColorManagement::profileFromChromaticities(p3, white, 13);
    if (profile.isEmpty() || profile.size() > 65000) {
        out << "iccjpegs: no profile (built without Little CMS?)\n";
        return 1;
    }
    const QDir source(args.at(0));
    const QDir target(args.at(1));
    target.mkpath(QStringLiteral("plain"));
    target.mkpath(QStringLiteral("tagged"));
    int written = 0;
    for (const QString &name : source.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG"), QStringLiteral("*.jpeg")},
                                                QDir::Files, QDir::Name)) {
        if (written >= limit)
            break;
        QFile file(source.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        if (bytes.size() < 4 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8)
            continue;
        QFile plain(target.filePath(QStringLiteral("plain/") + name));
        QFile tagged(target.filePath(QStringLiteral("tagged/") + name));
        if (!plain.open(QIODevice::WriteOnly) || !tagged.open(QIODevice::WriteOnly))
            return 1;
        plain.write(bytes);
        tagged.write(bytes.left(2) + app2Segment(profile) + bytes.mid(2));
        ++written;
    }
    out << "iccjpegs: " << written << " files, " << (adobe ? "Adobe RGB" : "Display P3") << " profile of "
        << profile.size() << " bytes, in " << target.filePath(QStringLiteral("plain")) << " and "
        << target.filePath(QStringLiteral("tagged")) << "\n";
    return 0;
}

LMR_BENCH_COMMAND(widegamut, "widegamut",
                  "widegamut OUT  -- a colourful test picture stored in Adobe RGB: OUT/adobe-rgb.jpg with its profile, "
                  "OUT/adobe-rgb-untagged.jpg the same pixels without (how a viewer without colour management shows it)")
{
    QTextStream out(stdout);
    if (args.isEmpty()) {
        out << "usage: lumory-bench widegamut OUT\n";
        return 2;
    }
    const double white[2] = {0.3127, 0.3290};
    const double adobeRgb[6] = {0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
    const QByteArray profile = LMRColorManagement::profileFromChromaticities(adobeRgb, white, 4);
    if (profile.isEmpty()) {
        out << "widegamut: built without Little CMS\n";
        return 1;
    }
    // Saturated hues across the width, darker towards the bottom, and a row of skin and sky tones.
    QImage picture(1200, 800, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 1200; ++x)
            picture.setPixelColor(x, y, QColor::fromHsvF(x / 1200.0, 0.35 + 0.65 * (y % 200) / 200.0,
                                                         1.0 - 0.5 * (y / 200) / 3.0));
    const QColor tones[6] = {QColor(224, 172, 140), QColor(141, 85, 36), QColor(135, 206, 235),
                             QColor(34, 139, 34), QColor(255, 215, 0), QColor(178, 34, 34)};
    for (int y = 600; y < 800; ++y)
        for (int x = 0; x < 1200; ++x)
            picture.setPixelColor(x, y, tones[x / 200]);
    // sRGB pictures converted into Adobe RGB's numbers: the output profile does exactly that.
    LMRColorManagement::setDisplayProfile(profile);
    QImage adobe = LMRColorManagement::convertToOutput(picture, QByteArray());
    LMRColorManagement::setDisplayProfile({});
    adobe.setColorSpace(QColorSpace());
    const QDir dir(args.first());
    dir.mkpath(QStringLiteral("."));
    const QString untagged = dir.filePath(QStringLiteral("adobe-rgb-untagged.jpg"));
    if (!adobe.save(untagged, "JPG", 95))
        return 1;
    QFile plain(untagged);
    if (!plain.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = plain.readAll();
    QFile tagged(dir.filePath(QStringLiteral("adobe-rgb.jpg")));
    if (!tagged.open(QIODevice::WriteOnly))
        return 1;
    tagged.write(bytes.left(2) + app2Segment(profile) + bytes.mid(2));
    out << "widegamut: wrote " << tagged.fileName() << " and " << untagged << "\n";
    return 0;
}
