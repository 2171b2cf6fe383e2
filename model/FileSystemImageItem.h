#pragma once
// LMRFileSystemImageItem: the item that stands for one image, PDF or video in the thumbnail
// list. Beyond the file facts it knows the pixel size, decodes the whole file for the viewer
// and renders square thumbnails into the shared thumbnail cache.

#include "model/FileSystemItem.h"

#include <QImage>
#include <atomic>

// What the thumbnail renderer needs of the grid: its current item size in points.
class LMRThumbnailSizeSource
{
public:
    virtual ~LMRThumbnailSizeSource() = default;
    virtual qint64 itemSize() const = 0;
};

class LMRFileSystemImageItem : public LMRFileSystemItem
{
public:
    explicit LMRFileSystemImageItem(const QString &path) : LMRFileSystemItem(path) {}
    explicit LMRFileSystemImageItem(const Facts &facts) : LMRFileSystemItem(facts) {}

    qint64 pixelWidth() const { return m_pixelWidth.load(std::memory_order_relaxed); }
    qint64 pixelHeight() const { return m_pixelHeight.load(std::memory_order_relaxed); }

protected:
    std::atomic<qint64> m_pixelWidth{0};
    std::atomic<qint64> m_pixelHeight{0};
};
