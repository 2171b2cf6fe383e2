#pragma once
// Shared by the viewer tests: a delegate that records what the viewer asks of it, and items made
// from files written on the spot.

#include "model/FileSystemImageItem.h"
#include "viewer/FullSizeViewDelegate.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace viewertest {

class RecordingDelegate : public FullSizeViewDelegate
{
public:
    QStringList calls;
    std::vector<LMRImageItemPtr> near;

    void cancelFullSizeView(FullSizeView *) override { calls << QStringLiteral("cancelFullSizeView"); }
    void showPreviousImageInFullSizeView(FullSizeView *) override { calls << QStringLiteral("previous"); }
    void showNextImageInFullSizeView(FullSizeView *) override { calls << QStringLiteral("next"); }
    bool isSlideshowActive() const override { return false; }
    bool isSlideshowPaused() const override { return false; }
    void pauseSlideshow() override { calls << QStringLiteral("pauseSlideshow"); }
    void unpauseSlideshow() override { calls << QStringLiteral("unpauseSlideshow"); }
    std::vector<LMRImageItemPtr> itemsNearFullSizeItem(const LMRImageItemPtr &) const override { return near; }
};

inline LMRImageItemPtr itemAt(const QString &path)
{
    return std::make_shared<LMRFileSystemImageItem>(path);
}

} // namespace viewertest
