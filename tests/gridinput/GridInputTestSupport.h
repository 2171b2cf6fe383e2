#pragma once
// A grid whose context menu and drag session are observed instead of shown, an owner that
// records what the grid tells it, and mouse events delivered the way the window system does:
// to the viewport, in viewport coordinates.

#include "grid/GridTestSupport.h"

#include <sys/stat.h>

using Indices = std::vector<qint64>;
Q_DECLARE_METATYPE(Indices)

class RecordingGridDelegate : public FakeGridDelegate
{
public:
    std::vector<Indices> selectionsTold;   // the selection at each change notification
    std::vector<QStringList> received;     // paths of each batch of dropped items

    void collectionViewSelectionDidChange(ImageCollectionView *view) override
    {
        FakeGridDelegate::collectionViewSelectionDidChange(view);
        selectionsTold.push_back(view->selection().indices());
    }
    void collectionViewReceivedItemsByDrag(ImageCollectionView *, const std::vector<LMRImageItemPtr> &items) override
    {
        QStringList paths;
        for (const LMRImageItemPtr &item : items)
            paths << item->path();
        received.push_back(paths);
    }

    // Regular files as a walk reports them, each with its type; none is read.
    void setPaths(const QStringList &paths)
    {
        items.clear();
        for (const QString &path : paths) {
            LMRFileSystemItem::Facts facts;
            facts.resolvedPath = path;
            facts.statOk = true;
            facts.fileType = S_IFREG;
            items.push_back(std::make_shared<LMRFileSystemImageItem>(facts));
        }
        count = qint64(items.size());
    }
};

class ObservedGrid : public ImageCollectionView
{
public:
    std::vector<QPoint> menus;   // where each context menu was shown
    std::vector<QList<QUrl>> drags;

protected:
    void popUpContextMenu(QMenu *, const QPoint &globalPos) override { menus.push_back(globalPos); }
    Qt::DropAction execDrag(QDrag *drag) override
    {
        drags.push_back(drag->mimeData()->urls());
        return Qt::IgnoreAction;
    }
};

// Mouse events as the window system delivers them to the grid's viewport.
inline void sendMouse(ImageCollectionView &view, QEvent::Type type, const QPointF &pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, pos, view.viewport()->mapToGlobal(pos), button, buttons, modifiers);
    QCoreApplication::sendEvent(view.viewport(), &event);
}
inline void press(ImageCollectionView &view, const QPointF &pos, Qt::KeyboardModifiers modifiers = {})
{
    sendMouse(view, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton, modifiers);
}
inline void moveTo(ImageCollectionView &view, const QPointF &pos, Qt::KeyboardModifiers modifiers = {})
{
    sendMouse(view, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, modifiers);
}
inline void release(ImageCollectionView &view, const QPointF &pos, Qt::KeyboardModifiers modifiers = {})
{
    sendMouse(view, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton, modifiers);
}
inline void click(ImageCollectionView &view, const QPointF &pos, Qt::KeyboardModifiers modifiers = {})
{
    press(view, pos, modifiers);
    release(view, pos, modifiers);
}

// The middle of an item's thumbnail, in viewport coordinates.
inline QPointF itemCenter(const ImageCollectionView &view, qint64 index)
{
    return viewportImageRect(view, index).center();
}

// The grid every input test starts from: 288-point items (zoom step 3), names hidden, a
// 1000 x 700 viewport, so three columns at x offset 32 and rows 312 points high; items
// /pictures/image0.jpg and on.
inline bool setUpGrid(std::unique_ptr<ObservedGrid> &view, RecordingGridDelegate &delegate, qint64 count)
{
    view = makeGrid<ObservedGrid>(delegate);
    QStringList paths;
    for (qint64 i = 0; i < count; ++i)
        paths << QStringLiteral("/pictures/image%1.jpg").arg(i);
    delegate.setPaths(paths);
    return showGrid(*view, 1000, 700);
}

// Selects the indices through the grid's own operations (the last one is the anchor), then
// forgets what the delegate heard so far.
inline void startWith(ImageCollectionView &view, RecordingGridDelegate &delegate, const Indices &indices)
{
    view.deselectAll();
    for (qint64 index : indices)
        view.addItemAtIndexToSelection(index);
    delegate.selectionsTold.clear();
}
