#pragma once
// Which files the thumbnail list takes: every type the image decoders read (PDF among them, but
// only while PDFs are included) and, while videos are included, the supported video types.
// Folders, other documents and files without a type never. The preferences are read once, when
// the filter is made, so that a batch is judged by one set of answers.

#include <QSet>
#include <QString>

class LMRFileSystemItem;

class LMRThumbnailTypeFilter
{
public:
    // Reads the preferences now.
    LMRThumbnailTypeFilter();
    LMRThumbnailTypeFilter(bool includePDFs, bool includeVideos);

    bool accepts(const LMRFileSystemItem &item) const;

private:
    bool m_includePDFs;
    bool m_includeVideos;
    QSet<QString> m_videoTypes;
};
