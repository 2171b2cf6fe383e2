// GLib's header comes before any Qt header (see the GIO files); this file therefore does without
// the precompiled Qt headers.
#if defined(LUMORY_HAVE_GIO)
#include <glib.h>
#endif

#include "platform/LibraryInfo.h"

#include <QtGlobal>

#if defined(LUMORY_HAVE_FFMPEG)
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}
#endif
#if defined(LUMORY_HAVE_POPPLER)
#include <poppler-version.h>
#endif
#if defined(LUMORY_HAVE_EXIV2)
#include <exiv2/version.hpp>
#endif
#if defined(LUMORY_HAVE_HEIF)
#include <libheif/heif.h>
#endif
#if defined(LUMORY_HAVE_JXL)
#include <jxl/decode.h>
#endif
#if defined(LUMORY_HAVE_RAW)
#include <libraw/libraw.h>
#endif
#if defined(LUMORY_HAVE_LCMS2)
#include <lcms2.h>
#endif
#if defined(LUMORY_HAVE_JPEG)
#include <cstdio>
#include <jpeglib.h>
#endif
#if defined(LUMORY_HAVE_TIFF)
#include <tiffio.h>
#endif
#if defined(LUMORY_HAVE_ICU)
#include <unicode/uversion.h>
#endif

namespace {

// libjxl counts major * 1000000 + minor * 1000 + patch.
[[maybe_unused]] QString dotted(unsigned number, unsigned base)
{
    return QStringLiteral("%1.%2.%3").arg(number / (base * base)).arg(number / base % base).arg(number % base);
}

} // namespace

std::vector<LMRLibraryInfo> LMRLinkedLibraries()
{
    std::vector<LMRLibraryInfo> libraries;
    libraries.push_back({QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("LGPL-3.0-only")});
#if defined(LUMORY_HAVE_FFMPEG)
    // FFmpeg is GPL or LGPL depending on how it was configured; it says which.
    libraries.push_back({QStringLiteral("FFmpeg"), QString::fromUtf8(av_version_info()),
                         QString::fromUtf8(avcodec_license())});
#endif
#if defined(LUMORY_HAVE_POPPLER)
    libraries.push_back({QStringLiteral("Poppler"), Poppler::Version::string(), QStringLiteral("GPL-2.0-or-later")});
#endif
#if defined(LUMORY_HAVE_EXIV2)
    libraries.push_back({QStringLiteral("Exiv2"), QString::fromStdString(Exiv2::versionString()),
                         QStringLiteral("GPL-2.0-or-later")});
#endif
#if defined(LUMORY_HAVE_HEIF)
    libraries.push_back({QStringLiteral("libheif"), QString::fromUtf8(heif_get_version()),
                         QStringLiteral("LGPL-3.0-or-later")});
#endif
#if defined(LUMORY_HAVE_JXL)
    libraries.push_back({QStringLiteral("libjxl"), dotted(JxlDecoderVersion(), 1000), QStringLiteral("BSD-3-Clause")});
#endif
#if defined(LUMORY_HAVE_RAW)
    libraries.push_back({QStringLiteral("LibRaw"), QString::fromUtf8(libraw_version()),
                         QStringLiteral("LGPL-2.1-only OR CDDL-1.0")});
#endif
#if defined(LUMORY_HAVE_GIO)
    libraries.push_back({QStringLiteral("GLib"),
                         QStringLiteral("%1.%2.%3").arg(glib_major_version).arg(glib_minor_version).arg(glib_micro_version),
                         QStringLiteral("LGPL-2.1-or-later")});
#endif
#if defined(LUMORY_HAVE_LCMS2)
    // 2140 is 2.14.
    const int lcms = cmsGetEncodedCMMversion();
    libraries.push_back({QStringLiteral("Little CMS"), QStringLiteral("%1.%2").arg(lcms / 1000).arg(lcms / 10 % 100),
                         QStringLiteral("MIT")});
#endif
#if defined(LUMORY_HAVE_JPEG) && defined(LIBJPEG_TURBO_VERSION)
#define LMR_STRINGIFY_(x) #x
#define LMR_STRINGIFY(x) LMR_STRINGIFY_(x)
    libraries.push_back({QStringLiteral("libjpeg-turbo"), QStringLiteral(LMR_STRINGIFY(LIBJPEG_TURBO_VERSION)),
                         QStringLiteral("IJG AND BSD-3-Clause AND Zlib")});
#endif
#if defined(LUMORY_HAVE_TIFF)
    // "LIBTIFF, Version 4.5.0" and a copyright notice on the lines after it.
    libraries.push_back({QStringLiteral("libtiff"),
                         QString::fromUtf8(TIFFGetVersion()).section(u'\n', 0, 0).section(QStringLiteral("Version "), 1),
                         QStringLiteral("libtiff")});
#endif
#if defined(LUMORY_HAVE_ICU)
    UVersionInfo icu;
    u_getVersion(icu);
    char icuText[U_MAX_VERSION_STRING_LENGTH] = {};
    u_versionToString(icu, icuText);
    libraries.push_back({QStringLiteral("ICU"), QString::fromLatin1(icuText), QStringLiteral("Unicode-DFS-2016")});
#endif
    return libraries;
}
