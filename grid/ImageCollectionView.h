#pragma once
// ImageCollectionView: the thumbnail grid. It lays out the delegate's items in rows of equal
// square cells and paints them itself: selection highlight, the cached thumbnail or a grey
// placeholder, the video badge and the file name. It owns no item data and never renders or
// queues a thumbnail: it draws what the shared thumbnail cache already holds, and the owner
// reloads the cells whose thumbnails arrive.
//
// The grid is a virtual document rather than a tall child widget in a QScrollArea: a widget is
// limited to 16,777,215 pixels, which 100,000 items at the largest zoom exceed. The document is
// as wide as the viewport and as high as the last layout pass made it; the visible part is the
// strip (0, scroll value, viewport width, viewport height). Every rectangle is computed from an
// index on demand, so a layout pass costs the same for ten items or a hundred thousand.
//
// The geometry uses single precision where noted and unsigned index arithmetic on purpose: the
// cells must land on the same whole points as the layout the rest of the program reasons with.

#include "grid/IndexSet.h"
#include "model/FileSystemImageItem.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QHash>
#include <QRectF>
#include <QStaticText>
#include <QUrl>

#include <atomic>
#include <limits>
#include <utility>
#include <vector>

class ImageCollectionViewDelegate;
class QDrag;
class QHelpEvent;
class QMenu;
class QPainter;
class QNativeGestureEvent;
class QPixmap;

// The index that stands for "no item".
inline constexpr qint64 LMRNotFound = std::numeric_limits<qint64>::max();

struct LMRIndexRange {
    qint64 location = 0;
    qint64 length = 0;
    bool operator==(const LMRIndexRange &) const = default;
};

// Rectangle helpers with the rounding rules the grid's layout is defined by.
QRectF LMRIntegralRect(const QRectF &r);                      // whole-number edges containing r
QRectF LMRInsetRect(const QRectF &r, double dx, double dy);
bool LMRPointInRect(const QPointF &p, const QRectF &r);       // far edges excluded

class ImageCollectionView : public QAbstractScrollArea, public LMRThumbnailSizeSource
{
    Q_OBJECT
public:
    explicit ImageCollectionView(QWidget *parent = nullptr);
    ~ImageCollectionView() override;

    // The owner (not owned); may be null, then the grid shows nothing.
    ImageCollectionViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(ImageCollectionViewDelegate *delegate) { m_delegate = delegate; }
    QMenu *itemPopUpMenu() const { return m_itemPopUpMenu; }
    void setItemPopUpMenu(QMenu *menu) { m_itemPopUpMenu = menu; }

    // --- Content and layout
    void reloadData();
    // Re-reads the count and lays out, then repaints only the cells of the given items.
    void reloadItemsAtIndexPaths(const std::vector<qint64> &indices);
    // Side of the thumbnail square in points (96 x zoom step). Safe to read from any thread.
    qint64 itemSize() const override { return m_itemSize.load(std::memory_order_relaxed); }
    void setItemSize(qint64 size);
    // The device pixel ratio the grid last painted at (its screen's). Thumbnails are rendered
    // and looked up at itemSize x this ratio pixels. Safe to read from any thread.
    qreal thumbnailPixelRatio() const override { return m_thumbnailPixelRatio.load(std::memory_order_relaxed); }
    void relayout();

    quint64 itemCount() const { return m_itemCount; }
    quint64 cellPadding() const { return m_cellPadding; }
    float xOffset() const { return m_xOffset; }
    bool cachedShowFilenames() const { return m_cachedShowFilenames; }
    // The document: as wide as the viewport, as high as the last layout pass set it.
    QRectF frame() const;
    // The part of the document on screen.
    QRectF documentVisibleRect() const;

    // --- Geometry (document coordinates, y down)
    float cellWidth() const;
    float cellHeight() const;
    qint64 numberOfVisibleColumns() const;
    QRectF cellRectForColumn(quint64 column, quint64 row) const;
    QRectF cellRectForItemIndex(quint64 index) const;
    QRectF itemRectForCellRect(const QRectF &cellRect) const;
    QRectF imageRectForItemRect(const QRectF &itemRect) const;
    QRectF hitRectForItemRect(const QRectF &itemRect) const;
    QRectF textRectForItemRect(const QRectF &itemRect) const;
    QRectF selectionRectForCellRect(const QRectF &cellRect) const;
    // The cell under p; may be at or beyond itemCount (callers treat that as no item).
    quint64 itemIndexAtPoint(const QPointF &p) const;
    LMRIndexRange visibleItemsRange() const;
    qint64 indexOfItemAboveIndex(qint64 index) const;
    qint64 indexOfItemBelowIndex(qint64 index) const;
    qint64 indexOfItemToLeftOfIndex(qint64 index) const;
    qint64 indexOfItemToRightOfIndex(qint64 index) const;

    // --- Scrolling
    void scrollItemAtIndexToVisible(qint64 index);
    void scrollToBeginningOfDocument();
    void scrollToEndOfDocument();

    // --- Selection
    const LMRIndexSet &selection() const { return m_selection; }
    void setSelection(const LMRIndexSet &selection) { m_selection = selection; }
    qint64 lastSelectedIndex() const { return m_lastSelectedIndex; }
    // Where the keyboard acts from: the last selected item, or the first item while there is
    // none; LMRNotFound for an empty grid. The focus indicator is drawn around it.
    qint64 currentItemIndex() const;
    void addItemAtIndexToSelection(qint64 index);
    void extendLastSelectionTo(qint64 index);
    void removeItemsAtIndexPathsFromSelection(const std::vector<qint64> &indices);
    void deselectAll();
    void selectAll();
    // The owner re-ordered its items: the same items selected at their new indices, and the
    // anchor on its item's new index (LMRNotFound when it left). sameItemsOnScreen: the owner
    // vouches that the list kept its length and every visible cell its item; when the cells
    // are also marked as before (selected, highlighted), nothing is drawn again. A large folder
    // is re-sorted ten times while it lists, mostly below its first screen.
    void replaceSelection(const LMRIndexSet &selection, qint64 lastSelectedIndex, bool sameItemsOnScreen = false);
    void moveSelectionToIndex(qint64 index, bool extendingSelection);

    // --- Drop target and rubber band state
    bool draggingEntered() const { return m_draggingEntered; }
    bool drawFocusRing() const { return m_drawFocusRing; }
    void setDrawFocusRing(bool draw);
    bool marqueeActive() const { return m_marqueeActive; }
    QRectF marqueeRect() const { return m_marqueeRect; }
    void setMarquee(bool active, const QRectF &rect);
    QUrl presentedItemURL() const { return m_presentedItemURL; }

    // --- Keyboard moves (ImageCollectionViewInput.cpp). Each one moves from lastSelectedIndex;
    // the ones that modify the selection add the target instead of replacing the selection.
    void moveUp();
    void moveDown();
    void moveLeft();
    void moveRight();
    void moveUpAndModifySelection();
    void moveDownAndModifySelection();
    void moveLeftAndModifySelection();
    void moveRightAndModifySelection();
    // Scrolls toward a pointer outside the visible strip (viewport coordinates); answers
    // whether it scrolled. Never while a drop is hovering.
    bool autoscroll(const QPointF &viewportPoint);
    // Asks the delegate for a zoom step change, then scrolls so that the item that was under
    // viewportPoint is under it again (or as near as the document allows).
    void zoomBySteps(int steps, const QPointF &viewportPoint);

    // --- Pasteboard, context menu and opening (ImageCollectionViewDragDrop.cpp)
    // The selected items' paths, or file names, as plain text on the clipboard: one item
    // without a line break, several one per line in index order. An empty selection leaves the
    // clipboard alone.
    void copy();
    void copyFilenameOnly();
    // Opens every selected item with the application (a desktop file id) in one launch.
    void openWith(const QString &applicationIdentifier);
    // Selects for, fills and shows the context menu at a document point. Normally queued by
    // the input handlers so that the event that asked for it has returned first.
    void showPopUpMenuAtPoint(const QPointF &documentPoint);

    // Items painted by the last paint pass (also reported to the debug window).
    qint64 drawnLastPaintCount() const { return m_drawnLastPaintCount; }

signals:
    // The visible part of the document moved (scrolling): thumbnails to load may have changed.
    void boundsDidChange();
    // The grid is now on a screen of another device pixel ratio: what is visible needs
    // thumbnails of another pixel size.
    void thumbnailPixelRatioDidChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

    // --- Mouse and keyboard (ImageCollectionViewInput.cpp)
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

    // --- Drags and drops (ImageCollectionViewDragDrop.cpp)
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Where the grid hands its context menu and its drags to the window system. Both return to
    // a running event loop in the program; tests replace them to see what would be shown or
    // dragged without a menu or a drag session in the way.
    virtual void popUpContextMenu(QMenu *menu, const QPoint &globalPos);
    virtual Qt::DropAction execDrag(QDrag *drag);

private:
    struct PaintContext;
    void reload(bool redraw);
    bool zoomByGesture(QNativeGestureEvent *event);
    void drawItem(qint64 index, const QRectF &cellRect, PaintContext &context);
    void drawMarquee(QPainter &painter);
    void colorsDidChange();
    void showFilenamesDidChange();
    void updatePresentedItem();
    void updateScrollBar();
    void setNeedsDisplayInRect(const QRectF &documentRect);
    void setNeedsDisplay();
    bool showsFocusedSelection() const;
    // After every change of the selection or its anchor: the delegate (unless the selection
    // itself stayed as it was), the focus indicator and assistive technology follow it.
    void selectionDidChange(bool notifyDelegate = true);
    void updateAccessibility();
    void drawFocusIndicator(QPainter &painter, const QRectF &dirty);
    bool showToolTip(QHelpEvent *event);

    // Input helpers (ImageCollectionViewInput.cpp)
    QPointF documentPoint(const QPointF &viewportPoint) const;
    void handlePress(const QPointF &viewportPoint, Qt::KeyboardModifiers modifiers, int clickCount);
    void updateMarquee(const QPointF &viewportPoint, Qt::KeyboardModifiers modifiers);
    void clearMarquee();
    void requestPopUpMenu(const QPointF &documentPoint);

    // Drag and drop helpers (ImageCollectionViewDragDrop.cpp)
    void startDragSession(const QPointF &viewportPoint);
    QPixmap dragPixmap(const QPointF &viewportPoint, QPoint *hotSpot);
    Qt::DropAction dropOperation(const QDropEvent *event) const;
    void writeSelectionToClipboard(bool fileNamesOnly);

    ImageCollectionViewDelegate *m_delegate = nullptr;
    QMenu *m_itemPopUpMenu = nullptr;

    quint64 m_itemCount = 0;
    std::atomic<qint64> m_itemSize{64};
    std::atomic<qreal> m_thumbnailPixelRatio{1.0};
    quint64 m_cellPadding = 24;
    float m_xOffset = 0;
    double m_frameHeight = 0;
    bool m_cachedShowFilenames = false;

    LMRIndexSet m_selection;
    qint64 m_lastSelectedIndex = LMRNotFound;
    // The item the focus indicator was last placed around.
    qint64 m_indicatedItemIndex = LMRNotFound;
    // What assistive technology was last told, kept only while one listens.
    LMRIndexSet m_accessibleSelection;
    qint64 m_accessibleCurrent = LMRNotFound;
    bool m_accessibilityUpdatePending = false;

    // Mouse press and rubber band state, driven by the input handlers.
    quint64 m_itemIndexSelectedByMouseDown = quint64(LMRNotFound);
    QPointF m_mouseDownLocation;
    bool m_mouseDraggedSinceDown = false;
    // The press asked for the context menu: the menu owns the rest of this click.
    bool m_pressShowedMenu = false;
    bool m_marqueeActive = false;
    QPointF m_marqueeAnchorPoint;
    QRectF m_marqueeRect;
    LMRIndexSet m_selectionBeforeMarquee;

    // Wheel turns and pinch movement that have not yet added up to a zoom step.
    int m_zoomWheelDelta = 0;
    double m_zoomPinch = 0;

    bool m_draggingEntered = false;
    bool m_drawFocusRing = false;
    QUrl m_presentedItemURL;

    qint64 m_drawnLastPaintCount = 0;

    // Laid-out file names by item path hash: truncating and shaping a name costs more than
    // drawing its thumbnail, and a scrolled grid shows the same names again and again. Valid
    // for one label width and font.
    QHash<quint64, QStaticText> m_labelCache;
    double m_labelCacheWidth = -1;
    QFont m_labelCacheFont;
};
