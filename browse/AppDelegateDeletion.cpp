// How the thumbnail list follows files that the user moves out of the shown folder (to the
// Trash) or into it (by a drop onto the grid), with the grid's selection and the viewer kept
// in step.

#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "platform/SharedThumbnailCache.h"
#include "platform/Trash.h"
#include "sidebar/ErrorSheet.h"

#include <QFileInfo>

#include <algorithm>

namespace {
qint64 indexOfItem(const std::vector<LMRImageItemPtr> &items, const LMRImageItemPtr &wanted)
{
    const auto found = std::find_if(items.begin(), items.end(),
                                    [&wanted](const LMRImageItemPtr &item) { return *item == *wanted; });
    return found == items.end() ? LMRNotFound : qint64(found - items.begin());
}
} // namespace

void AppDelegate::collectionViewDeleteSelectedItems(ImageCollectionView *)
{
    deleteSelectedItems(this);
}

void AppDelegate::collectionViewReceivedItemsByDrag(ImageCollectionView *, const std::vector<LMRImageItemPtr> &items)
{
    // Whatever arrived is listed, image or not: the user put it there.
    thumbnailItems.insert(thumbnailItems.end(), items.begin(), items.end());
    sortThumbnails();
    if (thumbnailsCollectionView) {
        thumbnailsCollectionView->reloadData();
        thumbnailsCollectionView->deselectAll();
        for (const LMRImageItemPtr &item : items) {
            const qint64 index = indexOfItem(thumbnailItems, item);
            if (index == LMRNotFound)
                continue;
            thumbnailsCollectionView->addItemAtIndexToSelection(index);
            thumbnailsCollectionView->scrollItemAtIndexToVisible(index);
        }
    }
    queueLoadForVisibleThumbnails();
    setThumbnailCount(thumbnailItems.size());
}

void AppDelegate::deleteSelectedItems(QObject *)
{
    // In the viewer the command means the item on show; in the grid, the selection, handed on
    // in index order so that the selection afterwards lands after the last of them.
    std::vector<LMRImageItemPtr> wanted;
    if (isFullSizeViewShown()) {
        if (fullSizeItemIndex < thumbnailItems.size())
            wanted.push_back(thumbnailItems[size_t(fullSizeItemIndex)]);
    } else if (thumbnailsCollectionView) {
        for (qint64 index : thumbnailsCollectionView->selection()) {
            if (index >= 0 && quint64(index) < thumbnailItems.size())
                wanted.push_back(thumbnailItems[size_t(index)]);
        }
    }
    if (wanted.empty())
        return;

    std::vector<LMRImageItemPtr> moved;
    QStringList failures;
    for (const LMRImageItemPtr &item : wanted) {
        QString reason;
        if (LMRMoveToTrash(item->path(), &reason)) {
            moved.push_back(item);
            // The desktop's thumbnails of a trashed file go with it.
            LMRSharedThumbnailCache::sharedInstance().removeEntries(item->path());
        }
        else
            failures.append(tr("“%1”: %2").arg(QFileInfo(item->path()).fileName(), reason));
    }

    // Only what really left is taken out of the list; an empty hand-over would still move the
    // viewer and the selection.
    if (!moved.empty())
        didDeleteItems(moved);

    if (!failures.isEmpty()) {
        const QString text = failures.size() == 1
            ? tr("This item could not be moved to the Trash and is still in its folder:\n%1").arg(failures.first())
            : tr("These items could not be moved to the Trash and are still in their folders:\n%1")
                  .arg(failures.join(QLatin1Char('\n')));
        LMRErrorSheet::show(window, text);
    }
}

void AppDelegate::didDeleteItems(const std::vector<LMRImageItemPtr> &items)
{
    // r ends as the old index of the last item handed over: the selection lands there.
    std::vector<qint64> removedIndices;
    qint64 r = 0;
    for (const LMRImageItemPtr &item : items) {
        r = indexOfItem(thumbnailItems, item);
        if (r != LMRNotFound)
            removedIndices.push_back(r);
    }
    for (const LMRImageItemPtr &item : items) {
        thumbnailItems.erase(std::remove_if(thumbnailItems.begin(), thumbnailItems.end(),
                                            [&item](const LMRImageItemPtr &listed) { return *listed == *item; }),
                             thumbnailItems.end());
    }
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->removeItemsAtIndexPathsFromSelection(removedIndices);

    const qint64 n = qint64(thumbnailItems.size());
    const qint64 j = r < n ? r : n - 1;
    if (isFullSizeViewShown()) {
        if (n > 0) {
            // The grid must know the shorter list before it selects in it.
            if (thumbnailsCollectionView)
                thumbnailsCollectionView->reloadData();
            showItemWithIndexInFullSizeView(quint64(j));
            if (thumbnailsCollectionView) {
                thumbnailsCollectionView->deselectAll();
                thumbnailsCollectionView->addItemAtIndexToSelection(j);
            }
        } else {
            // Leaving the viewer ends a slideshow, whichever way it is left; a slideshow left
            // running over an empty list would bring the viewer back on its next tick.
            stopSlideshow();
            showThumbnailsCollectionView();
            if (thumbnailsCollectionView)
                thumbnailsCollectionView->deselectAll();
        }
    } else if (n > 0 && thumbnailsCollectionView) {
        thumbnailsCollectionView->deselectAll();
        thumbnailsCollectionView->addItemAtIndexToSelection(j);
    }
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->reloadData();
    queueLoadForVisibleThumbnails();
}
