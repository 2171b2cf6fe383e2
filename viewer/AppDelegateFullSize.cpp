// Which item the full-size viewer shows, bringing the viewer into the grid's pane and taking it
// out again, and stepping between items. The grid stays in step: while the viewer is up, its
// selection is exactly the item shown, scrolled into view, so that leaving the viewer finds the
// grid where the user left off.

#include "app/AppDelegate.h"

#include "app/BottomBarView.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "support/SegmentedControl.h"
#include "viewer/FullSizeView.h"

#include <QSplitter>
#include <QTreeView>

#include <algorithm>

namespace {
constexpr qint64 kPreviousSegment = 0;
constexpr qint64 kNextSegment = 1;
} // namespace

bool AppDelegate::isFullSizeViewShown() const
{
    return splitView && fullSizeView && splitView->indexOf(fullSizeView) >= 0;
}

void AppDelegate::collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *, qint64 index)
{
    if (index >= 0)
        showItemWithIndexInFullSizeView(quint64(index));
}

void AppDelegate::showItemWithIndexInFullSizeView(quint64 index)
{
    // A stale index (the list shrank since it was taken) must not reach the list.
    if (index >= thumbnailItems.size())
        return;
    fullSizeItemIndex = index;
    const LMRImageItemPtr item = thumbnailItems[size_t(index)];
    showFullSizeView();
    if (fullSizeView)
        fullSizeView->showItem(item);
    if (thumbnailsCollectionView) {
        thumbnailsCollectionView->deselectAll();
        thumbnailsCollectionView->addItemAtIndexToSelection(qint64(index));
        thumbnailsCollectionView->scrollItemAtIndexToVisible(qint64(index));
    }
    validateFullSizeNavigationControl();
}

void AppDelegate::showFullSizeView()
{
    if (splitView && fullSizeView && thumbnailsSuperview && !isFullSizeViewShown())
        LMRReplaceSplitViewPane(splitView, thumbnailsSuperview, fullSizeView);
    if (bottomBarView)
        bottomBarView->showBottomBarForFullSizeView();
    if (fullSizeView)
        fullSizeView->setFocus(Qt::OtherFocusReason);
    // Tab goes from the sidebar list to the viewer and from the viewer back to the list. Before
    // a folder is open the list is not in the window, and there is no loop to close.
    if (sidebarOutlineView && fullSizeView && sidebarOutlineView->window() == fullSizeView->window()) {
        QWidget::setTabOrder(fullSizeView, sidebarOutlineView);
        QWidget::setTabOrder(sidebarOutlineView, fullSizeView);
    }
}

void AppDelegate::cancelFullSizeView(QObject *)
{
    if (!isFullSizeViewShown())
        return;
    stopSlideshow();
    showThumbnailsCollectionView();
    if (thumbnailsCollectionView && !thumbnailsCollectionView->selection().isEmpty())
        thumbnailsCollectionView->scrollItemAtIndexToVisible(thumbnailsCollectionView->selection().firstIndex());
    // After the grid has been laid out in its pane again, so that the visible range is right.
    scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds(0));
}

void AppDelegate::showNextImageInFullSizeView(QObject *)
{
    const quint64 count = thumbnailItems.size();
    if (count == 0)
        return;
    const quint64 current = fullSizeItemIndex;
    if (!isSlideshowActive()) {
        if (current >= count - 1)
            return;
        showItemWithIndexInFullSizeView(current + 1);
    } else if (slideshowMode == kSlideshowInOrder) {
        showItemWithIndexInFullSizeView(current >= count - 1 ? 0 : current + 1);
    } else if (slideshowMode == kSlideshowShuffled) {
        showShuffledItemAfterStep(1);
    }
}

void AppDelegate::showPreviousImageInFullSizeView(QObject *)
{
    const quint64 count = thumbnailItems.size();
    if (count == 0)
        return;
    const quint64 current = fullSizeItemIndex;
    if (!isSlideshowActive()) {
        if (current == 0)
            return;
        // Past the end after a shrinking list: the new last item is the one before.
        showItemWithIndexInFullSizeView(std::min(current - 1, count - 1));
    } else if (slideshowMode == kSlideshowInOrder) {
        showItemWithIndexInFullSizeView(current == 0 ? count - 1 : std::min(current - 1, count - 1));
    } else if (slideshowMode == kSlideshowShuffled) {
        showShuffledItemAfterStep(-1);
    }
}

void AppDelegate::showShuffledItemAfterStep(qint64 step)
{
    const qint64 length = qint64(shuffledImageItems.size());
    if (length == 0)
        return;
    // The order is a snapshot taken at the start; items that have left the list since are
    // passed over. When none is left there is nothing to show.
    for (qint64 tried = 0; tried < length; ++tried) {
        slideshowShuffleIndex += step;
        if (slideshowShuffleIndex >= length)
            slideshowShuffleIndex = 0;
        else if (slideshowShuffleIndex < 0)
            slideshowShuffleIndex = length - 1;
        const LMRImageItemPtr &wanted = shuffledImageItems[size_t(slideshowShuffleIndex)];
        const auto found = std::find_if(thumbnailItems.begin(), thumbnailItems.end(),
                                        [&wanted](const LMRImageItemPtr &item) { return *item == *wanted; });
        if (found != thumbnailItems.end()) {
            showItemWithIndexInFullSizeView(quint64(found - thumbnailItems.begin()));
            return;
        }
    }
}

void AppDelegate::didClickFullSizeViewNavigationButton(QObject *sender)
{
    auto *control = qobject_cast<LMRSegmentedControl *>(sender);
    if (!control)
        return;
    switch (control->selectedSegment()) {
    case kPreviousSegment:
        showPreviousImageInFullSizeView(this);
        break;
    case kNextSegment:
        showNextImageInFullSizeView(this);
        break;
    default:
        break;
    }
}

void AppDelegate::validateFullSizeNavigationControl()
{
    if (!fullSizeNavigationControl)
        return;
    fullSizeNavigationControl->setSegmentEnabled(kPreviousSegment, fullSizeItemIndex != 0);
    fullSizeNavigationControl->setSegmentEnabled(kNextSegment, fullSizeItemIndex + 1 < thumbnailItems.size());
}
