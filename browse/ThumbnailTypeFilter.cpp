#include "browse/ThumbnailTypeFilter.h"

#include "model/FileSystemItem.h"
#include "platform/ImageSource.h"
#include "prefs/Preferences.h"

namespace {
const QString kPDFType = QStringLiteral("application/pdf");

// The decoders are fixed for the life of the process, so their types are gathered once.
const QSet<QString> &imageTypes()
{
    static const QSet<QString> types = [] {
        const QStringList list = LMRImageSource::readableMimeTypes();
        return QSet<QString>(list.begin(), list.end());
    }();
    return types;
}
} // namespace

LMRThumbnailTypeFilter::LMRThumbnailTypeFilter()
    : LMRThumbnailTypeFilter(Preferences::sharedInstance().includePDFs(),
                             Preferences::sharedInstance().includeVideos())
{
}

LMRThumbnailTypeFilter::LMRThumbnailTypeFilter(bool includePDFs, bool includeVideos)
    : m_includePDFs(includePDFs), m_includeVideos(includeVideos)
{
    if (m_includeVideos) {
        const QStringList videos = Preferences::supportedVideoUTIs();
        m_videoTypes = QSet<QString>(videos.begin(), videos.end());
    }
}

bool LMRThumbnailTypeFilter::accepts(const LMRFileSystemItem &item) const
{
    const QString type = item.UTI();
    if (type.isEmpty() || item.isDirectory())
        return false;
    if (imageTypes().contains(type))
        return m_includePDFs || type != kPDFType;
    return m_includeVideos && m_videoTypes.contains(type);
}
