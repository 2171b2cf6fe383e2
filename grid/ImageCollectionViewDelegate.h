#pragma once
// What the thumbnail grid asks of its owner and reports back to it. The grid holds no item
// data: it learns the count and the items from here, and hands selection changes, openings,
// delete requests and dropped files back. Every call is made on the main thread with the grid
// as first argument. Item indices are positions in the owner's thumbnail list.

#include "model/FileSystemImageItem.h"

#include <QtGlobal>
#include <vector>

class ImageCollectionView;

class ImageCollectionViewDelegate
{
public:
    virtual ~ImageCollectionViewDelegate() = default;

    // The number of items; section is always 0.
    virtual qint64 collectionViewNumberOfItemsInSection(ImageCollectionView *view, qint64 section) = 0;
    // The item at index (0 <= index < the count last reported).
    virtual LMRImageItemPtr collectionViewItemForRepresentedObjectAtIndexPath(ImageCollectionView *view,
                                                                             qint64 index) = 0;
    // After a change of the selection made by the grid itself; not for setSelection or
    // replaceSelection.
    virtual void collectionViewSelectionDidChange(ImageCollectionView *view) = 0;
    virtual void collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *view, qint64 index) = 0;
    virtual void collectionViewDeleteSelectedItems(ImageCollectionView *view) = 0;
    // The folder whose contents are shown, or null when none is.
    virtual LMRItemPtr collectionViewDisplayedContentItem(ImageCollectionView *view) = 0;
    // Files that arrived in the shown folder by a drop, one new item per file.
    virtual void collectionViewReceivedItemsByDrag(ImageCollectionView *view,
                                                   const std::vector<LMRImageItemPtr> &items) = 0;
    // The user asked for larger (steps > 0) or smaller thumbnails with the wheel or a pinch; the
    // owner changes the item size, or leaves it at a limit.
    virtual void collectionViewZoomBySteps(ImageCollectionView *view, int steps)
    {
        Q_UNUSED(view);
        Q_UNUSED(steps);
    }
};
