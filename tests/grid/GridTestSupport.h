#pragma once
// A stand-in for the grid's owner, and helpers to give the grid an exact viewport size.

#include "grid/ImageCollectionView.h"
#include "grid/ImageCollectionViewDelegate.h"
#include "prefs/Preferences.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

class FakeGridDelegate : public ImageCollectionViewDelegate
{
public:
    qint64 count = 0;
    std::vector<LMRImageItemPtr> items;   // shorter than count: the missing ones are null
    LMRItemPtr displayedItem;
    int selectionDidChangeCalls = 0;

    qint64 collectionViewNumberOfItemsInSection(ImageCollectionView *, qint64) override { return count; }
    LMRImageItemPtr collectionViewItemForRepresentedObjectAtIndexPath(ImageCollectionView *, qint64 index) override
    {
        return index >= 0 && index < qint64(items.size()) ? items[size_t(index)] : nullptr;
    }
    void collectionViewSelectionDidChange(ImageCollectionView *) override { ++selectionDidChangeCalls; }
    void collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *, qint64) override {}
    void collectionViewDeleteSelectedItems(ImageCollectionView *) override {}
    LMRItemPtr collectionViewDisplayedContentItem(ImageCollectionView *) override { return displayedItem; }
    void collectionViewReceivedItemsByDrag(ImageCollectionView *, const std::vector<LMRImageItemPtr> &) override {}
};

// Fresh settings at zoom step 3 and a grid of 288-point items owned by the delegate.
template <class View = ImageCollectionView, class Delegate>
std::unique_ptr<View> makeGrid(Delegate &delegate)
{
    Preferences::sharedInstance().clearForTesting();
    Preferences::sharedInstance().setIntZoomValue(3);
    delegate = Delegate();
    auto view = std::make_unique<View>();
    view->setDelegate(&delegate);
    view->setItemSize(288);
    return view;
}

// Shows the grid with a viewport of exactly the given size, and lays out its items. The scroll
// bar is kept on so that the viewport's width does not change with the number of items.
inline bool showGrid(ImageCollectionView &view, int width, int height)
{
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    const QSize extra = view.size() - view.viewport()->size();
    view.resize(width + extra.width(), height + extra.height());
    view.reloadData();
    return view.viewport()->size() == QSize(width, height);
}

// Counts the paint events the viewport receives.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget *viewport) { viewport->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Lets pending repaints (layout, exposure, earlier updates) happen, until a round of events
// paints nothing more.
inline void settle(ImageCollectionView &view)
{
    PaintRecorder recorder(view.viewport());
    for (int round = 0; round < 50; ++round) {
        const int before = recorder.paints;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (round > 2 && recorder.paints == before)
            return;
    }
}

// Where an item's thumbnail square is drawn in the viewport.
inline QRectF viewportImageRect(const ImageCollectionView &view, qint64 index)
{
    const QRectF item = view.itemRectForCellRect(view.cellRectForItemIndex(quint64(index)));
    return view.imageRectForItemRect(item).translated(0, -view.documentVisibleRect().y());
}

// The area of a document rectangle as it appears in the viewport.
inline QRect viewportRect(const ImageCollectionView &view, const QRectF &documentRect)
{
    return documentRect.translated(0, -view.verticalScrollBar()->value()).toAlignedRect();
}
