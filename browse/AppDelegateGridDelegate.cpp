// AppDelegate's answers to the thumbnail grid, and the zoom that sets the grid's item size.

#include "app/AppDelegate.h"

#include "grid/ImageCollectionView.h"
#include "prefs/Preferences.h"

#include <QSignalBlocker>
#include <QSlider>

namespace {
// A zoom step is this many points of thumbnail side.
constexpr qint64 kPointsPerZoomStep = 96;
// Zoom changes come in bursts while the slider is dragged; thumbnails are queued once it rests.
constexpr std::chrono::milliseconds kZoomSettleDelay(500);
} // namespace

qint64 AppDelegate::collectionViewNumberOfItemsInSection(ImageCollectionView *, qint64)
{
    return qint64(thumbnailItems.size());
}

LMRImageItemPtr AppDelegate::collectionViewItemForRepresentedObjectAtIndexPath(ImageCollectionView *, qint64 index)
{
    if (index < 0 || quint64(index) >= thumbnailItems.size())
        return nullptr;
    return thumbnailItems[size_t(index)];
}

void AppDelegate::collectionViewSelectionDidChange(ImageCollectionView *)
{
    setThumbnailCount(thumbnailItems.size());
}

LMRItemPtr AppDelegate::collectionViewDisplayedContentItem(ImageCollectionView *)
{
    return displayedSidebarItem;
}

void AppDelegate::applyZoomValueToThumbnails()
{
    if (!thumbnailZoomSlider)
        return;
    const qint64 zoom = thumbnailZoomSlider->value();
    if (thumbnailsCollectionView) {
        thumbnailsCollectionView->setItemSize(zoom * kPointsPerZoomStep);
        if (thumbnailLoading) {
            // From here on the loading thread renders at whatever size the grid has.
            std::lock_guard<std::mutex> guard(thumbnailLoading->handOverLock);
            thumbnailLoading->sizeSource = thumbnailsCollectionView;
        }
    }
    Preferences::sharedInstance().setIntZoomValue(zoom);
    scheduleQueueLoadForVisibleThumbnails(kZoomSettleDelay);
}

void AppDelegate::didChangeZoomSlider(QObject *)
{
    if (thumbnailZoomSlider && thumbnailZoomSlider->value() != Preferences::sharedInstance().intZoomValue())
        applyZoomValueToThumbnails();
}

void AppDelegate::zoomIn(QObject *)
{
    if (!thumbnailZoomSlider || thumbnailZoomSlider->value() >= thumbnailZoomSlider->maximum())
        return;
    {
        // The slider's own change signal would apply the same step a second time.
        const QSignalBlocker blocker(thumbnailZoomSlider);
        thumbnailZoomSlider->setValue(thumbnailZoomSlider->value() + 1);
    }
    applyZoomValueToThumbnails();
}

void AppDelegate::zoomOut(QObject *)
{
    if (!thumbnailZoomSlider || thumbnailZoomSlider->value() <= thumbnailZoomSlider->minimum())
        return;
    {
        const QSignalBlocker blocker(thumbnailZoomSlider);
        thumbnailZoomSlider->setValue(thumbnailZoomSlider->value() - 1);
    }
    applyZoomValueToThumbnails();
}

void AppDelegate::collectionViewZoomBySteps(ImageCollectionView *, int steps)
{
    // Step by step, as the zoom commands go, so the limits stop it the same way.
    for (; steps > 0; --steps)
        zoomIn(this);
    for (; steps < 0; ++steps)
        zoomOut(this);
}

void AppDelegate::didFocusCollectionViewByTabKey()
{
    if (thumbnailsCollectionView && thumbnailsCollectionView->selection().isEmpty() && !thumbnailItems.empty())
        thumbnailsCollectionView->addItemAtIndexToSelection(0);
}
