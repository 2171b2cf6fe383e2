#pragma once
// What the picture tests share: the decoders initialised and a folder of their own for the
// files a test class makes (inherit it beside QObject), and a fresh start for each case.

#include "support/DataTable.h"
#include "support/ImageFixtures.h"
#include "support/TestRunner.h"

#include "model/Cache.h"
#include "platform/ImageSource.h"
#include "prefs/Preferences.h"

using namespace lmrimages;

namespace imagestest {

struct Pictures
{
    Pictures() { LMRImageSource::initialize(); }
    QString file(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// Stored preferences cleared (high-quality thumbnails as asked) and the thumbnail cache emptied.
inline void startFresh(bool highQuality = false)
{
    Preferences::sharedInstance().clearForTesting();
    if (highQuality)
        Preferences::sharedInstance().setHighQualityThumbnails(true);
    LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
}

// The square thumbnail an item loads for a grid of that size; null when it loads none.
inline QImage loadedThumbnail(LMRFileSystemImageItem &item, qint64 side)
{
    const Grid grid(side);
    return item.loadThumbnailForCollectionView(&grid) ? LMRThumbnailRAMCache::sharedInstance().objectForKey(item.thumbnailKey(side))
                                                      : QImage();
}

} // namespace imagestest
