#pragma once
// Shared by the viewer tests: a delegate that records what the viewer asks of it, items made
// from files written on the spot, and a viewer on screen.

#include "model/FileSystemImageItem.h"
#include "support/TestRunner.h"
#include "viewer/FullSizeView.h"
#include "viewer/FullSizeViewDelegate.h"

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

// A viewer on screen with the delegate, showing item and fitted; null if it never got there.
inline std::unique_ptr<FullSizeView> showViewer(FullSizeViewDelegate *delegate, const LMRImageItemPtr &item,
                                                QSize size = QSize(800, 600))
{
    auto view = std::make_unique<FullSizeView>();
    view->setDelegate(delegate);
    view->resize(size);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    view->showItem(item);
    // The fit comes on the next turn of the event loop.
    return QTest::qWaitFor([&] { return view->zoomedToFit(); }) ? std::move(view) : nullptr;
}

} // namespace viewertest
