#include "grid/ImageCollectionView.h"

#include "grid/ImageCollectionViewAccessible.h"
#include "grid/ImageCollectionViewDelegate.h"
#include "prefs/Preferences.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QToolTip>

#include <cmath>

QRectF LMRIntegralRect(const QRectF &r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return {};
    const double x0 = std::floor(r.x());
    const double y0 = std::floor(r.y());
    const double x1 = std::ceil(r.x() + r.width());
    const double y1 = std::ceil(r.y() + r.height());
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF LMRInsetRect(const QRectF &r, double dx, double dy)
{
    return QRectF(r.x() + dx, r.y() + dy, r.width() - 2 * dx, r.height() - 2 * dy);
}

bool LMRPointInRect(const QPointF &p, const QRectF &r)
{
    return r.x() <= p.x() && p.x() < r.x() + r.width() && r.y() <= p.y() && p.y() < r.y() + r.height();
}

ImageCollectionView::ImageCollectionView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Before anything could ask for this view's accessible object and cache a generic one.
    LMRGridAccessibility::installFactory();
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted by us, so Qt need not clear the viewport first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(false);
    // Files dragged in from other applications land in the shown folder.
    viewport()->setAcceptDrops(true);
    m_thumbnailPixelRatio.store(viewport()->devicePixelRatioF(), std::memory_order_relaxed);

    m_cachedShowFilenames = Preferences::sharedInstance().showFilenames();

    auto &center = LMRNotificationCenter::defaultCenter();
    center.addObserver(this, LMRNotifications::BackgroundColorChanged, [this] { colorsDidChange(); });
    center.addObserver(this, LMRNotifications::LabelColorChanged, [this] { colorsDidChange(); });
    center.addObserver(this, LMRNotifications::SelectionColorChanged, [this] { colorsDidChange(); });
    center.addObserver(this, LMRNotifications::ShowFilenamesChanged, [this] { showFilenamesDidChange(); });

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ImageCollectionView::boundsDidChange);
    // The scroll bar's holder paints its own background, so that the bar repaints alone while
    // a folder fills (its length changes with every batch) rather than with every widget behind
    // it, each of which would fill the window's full height again.
    if (QWidget *holder = verticalScrollBar()->parentWidget(); holder && holder != this)
        holder->setAutoFillBackground(true);
}

ImageCollectionView::~ImageCollectionView()
{
    LMRNotificationCenter::defaultCenter().removeObserver(this);
}

// ---------------------------------------------------------------------------------------------
// Geometry

QRectF ImageCollectionView::frame() const
{
    return QRectF(0, 0, viewport()->width(), m_frameHeight);
}

QRectF ImageCollectionView::documentVisibleRect() const
{
    return QRectF(0, verticalScrollBar()->value(), viewport()->width(), viewport()->height());
}

float ImageCollectionView::cellWidth() const
{
    return float(quint64(itemSize()) + m_cellPadding);
}

float ImageCollectionView::cellHeight() const
{
    const float base = float(quint64(itemSize()) + m_cellPadding);
    // The extra 24 points are the label row; the label itself is 16 high.
    return std::ceil(base + (m_cachedShowFilenames ? 24.0f : 0.0f));
}

qint64 ImageCollectionView::numberOfVisibleColumns() const
{
    const qint64 columns = qint64(std::floor(frame().width() / double(cellWidth())));
    return columns < 1 ? 1 : columns;
}

QRectF ImageCollectionView::cellRectForColumn(quint64 column, quint64 row) const
{
    const float w = cellWidth();
    const float h = cellHeight();
    const float x = m_xOffset + float(column) * w;
    const float y = float(row) * h;
    return LMRIntegralRect(QRectF(double(x), double(y), double(w), double(h)));
}

QRectF ImageCollectionView::cellRectForItemIndex(quint64 index) const
{
    const quint64 columns = quint64(numberOfVisibleColumns());
    return cellRectForColumn(index % columns, index / columns);
}

QRectF ImageCollectionView::itemRectForCellRect(const QRectF &cellRect) const
{
    const double p = double(m_cellPadding / 4);
    return LMRIntegralRect(LMRInsetRect(cellRect, p, p));
}

QRectF ImageCollectionView::imageRectForItemRect(const QRectF &itemRect) const
{
    // The side comes from the zoom preference, which the owner keeps equal to itemSize.
    const qint64 side = 96 * Preferences::sharedInstance().intZoomValue();
    QRectF image(itemRect.x() + (itemRect.width() - double(side)) * 0.5,
                 itemRect.y() + (itemRect.height() - double(side)) * 0.5, double(side), double(side));
    if (m_cachedShowFilenames)
        image.translate(0, -12);
    return image;
}

QRectF ImageCollectionView::hitRectForItemRect(const QRectF &itemRect) const
{
    return LMRInsetRect(imageRectForItemRect(itemRect), 8, 8);
}

QRectF ImageCollectionView::textRectForItemRect(const QRectF &itemRect) const
{
    return QRectF(itemRect.x() + 2, itemRect.y() + (itemRect.height() - 24 + 3), itemRect.width() - 4, 16);
}

QRectF ImageCollectionView::selectionRectForCellRect(const QRectF &cellRect) const
{
    return LMRInsetRect(cellRect, 4, 4);
}

quint64 ImageCollectionView::itemIndexAtPoint(const QPointF &p) const
{
    const qint64 columns = numberOfVisibleColumns();
    const qint64 row = qint64(std::floor(p.y() / double(cellHeight())));
    qint64 column = qint64(std::floor((p.x() - double(m_xOffset)) / double(cellWidth())));
    if (column < 0)
        column = 0;
    if (column >= columns)
        column = columns - 1;
    // A point above the first row wraps to a huge index, which every caller treats as no item.
    return quint64(row) * quint64(columns) + quint64(column);
}

LMRIndexRange ImageCollectionView::visibleItemsRange() const
{
    if (m_itemCount == 0)
        return {};
    const qint64 columns = numberOfVisibleColumns();
    const qint64 ch = qint64(cellHeight());
    const QRectF visible = documentVisibleRect();
    const qint64 firstRow = qint64(std::floor(visible.y() / double(ch)));
    const qint64 remainder = qint64(visible.y()) % ch;
    const qint64 rows = qint64(std::ceil(float(double(remainder + qint64(visible.height())) / double(ch))));
    const quint64 location = quint64(firstRow * columns);
    quint64 length = quint64(rows * columns);
    if (location + length > m_itemCount)
        length = location >= m_itemCount ? 0 : m_itemCount - location;
    return {qint64(location), qint64(length)};
}

qint64 ImageCollectionView::indexOfItemAboveIndex(qint64 index) const
{
    if (index == LMRNotFound)
        return m_itemCount > 0 ? 0 : LMRNotFound;
    const qint64 above = index - numberOfVisibleColumns();
    return above >= 0 ? above : LMRNotFound;
}

qint64 ImageCollectionView::indexOfItemBelowIndex(qint64 index) const
{
    if (index == LMRNotFound)
        return m_itemCount > 0 ? 0 : LMRNotFound;
    const qint64 below = index + numberOfVisibleColumns();
    return below >= 0 && quint64(below) < m_itemCount ? below : LMRNotFound;
}

qint64 ImageCollectionView::indexOfItemToLeftOfIndex(qint64 index) const
{
    if (index == LMRNotFound)
        return m_itemCount > 0 ? 0 : LMRNotFound;
    return index >= 1 ? index - 1 : LMRNotFound;
}

qint64 ImageCollectionView::indexOfItemToRightOfIndex(qint64 index) const
{
    if (index == LMRNotFound)
        return m_itemCount > 0 ? 0 : LMRNotFound;
    const qint64 right = index + 1;
    return right >= 0 && quint64(right) < m_itemCount ? right : LMRNotFound;
}

// ---------------------------------------------------------------------------------------------
// Layout and reloading

void ImageCollectionView::relayout()
{
    const qint64 columns = numberOfVisibleColumns();
    const quint64 rows = quint64(std::ceil(float(m_itemCount) / float(columns)));
    float height = cellHeight() * float(rows);
    const double visibleHeight = documentVisibleRect().height();
    if (visibleHeight > double(height))
        height = float(visibleHeight);
    m_xOffset = float((frame().width() - double(cellWidth() * float(columns))) * 0.5);
    height = std::ceil(height);

    const bool heightChanged = qint32(height) != qint32(m_frameHeight);
    if (heightChanged)
        m_frameHeight = double(height);
    // The scroll range also depends on the viewport's height, which may change alone.
    updateScrollBar();
}

void ImageCollectionView::updateScrollBar()
{
    const int visibleHeight = viewport()->height();
    const double maximum = std::max(0.0, std::ceil(m_frameHeight) - visibleHeight);
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(visibleHeight);
    bar->setSingleStep(std::max(1, int(cellHeight() / 4)));
    bar->setRange(0, int(std::min(maximum, double(std::numeric_limits<int>::max()))));
}

void ImageCollectionView::reloadData()
{
    reload(true);
}

void ImageCollectionView::reload(bool redraw)
{
    const qint64 count = m_delegate ? m_delegate->collectionViewNumberOfItemsInSection(this, 0) : 0;
    // A negative count would wrap to an enormous unsigned one and lay out billions of rows.
    m_itemCount = count > 0 ? quint64(count) : 0;
    relayout();
    if (redraw)
        setNeedsDisplay();
    updatePresentedItem();
    m_indicatedItemIndex = currentItemIndex();
    LMRGridAccessibility::listChanged(this);
}

void ImageCollectionView::reloadItemsAtIndexPaths(const std::vector<qint64> &indices)
{
    const qint64 count = m_delegate ? m_delegate->collectionViewNumberOfItemsInSection(this, 0) : 0;
    m_itemCount = count > 0 ? quint64(count) : 0;
    relayout();
    for (qint64 index : indices)
        if (index >= 0)
            setNeedsDisplayInRect(cellRectForItemIndex(quint64(index)));
    updatePresentedItem();
}

void ImageCollectionView::setItemSize(qint64 size)
{
    m_itemSize.store(size, std::memory_order_relaxed);
    relayout();
    setNeedsDisplay();
}

void ImageCollectionView::updatePresentedItem()
{
    // There is no file coordinator on Linux: the presented folder is only remembered.
    if (!m_delegate)
        return;
    if (const LMRItemPtr item = m_delegate->collectionViewDisplayedContentItem(this))
        m_presentedItemURL = item->URL();
}


// ---------------------------------------------------------------------------------------------
// Scrolling

void ImageCollectionView::scrollItemAtIndexToVisible(qint64 index)
{
    if (index < 0)
        return;
    const QRectF cell = cellRectForItemIndex(quint64(index));
    const QRectF visible = documentVisibleRect();
    QScrollBar *bar = verticalScrollBar();
    if (cell.top() < visible.top() || cell.height() > visible.height())
        bar->setValue(int(std::floor(cell.top())));
    else if (cell.bottom() > visible.bottom())
        bar->setValue(int(std::ceil(cell.bottom() - visible.height())));
}

void ImageCollectionView::scrollToBeginningOfDocument()
{
    verticalScrollBar()->setValue(0);
}

void ImageCollectionView::scrollToEndOfDocument()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ImageCollectionView::scrollContentsBy(int dx, int dy)
{
    Q_UNUSED(dx);
    // The drop ring hugs the visible rectangle, so moving pixels would move it too.
    if (m_drawFocusRing || m_marqueeActive)
        viewport()->update();
    else
        viewport()->scroll(0, dy);
}

// ---------------------------------------------------------------------------------------------
// Selection

void ImageCollectionView::addItemAtIndexToSelection(qint64 index)
{
    m_selection.insert(index);
    m_lastSelectedIndex = index;
    if (index >= 0)
        setNeedsDisplayInRect(cellRectForItemIndex(quint64(index)));
    selectionDidChange();
}

void ImageCollectionView::extendLastSelectionTo(qint64 index)
{
    if (m_lastSelectedIndex == LMRNotFound) {
        addItemAtIndexToSelection(index);
        return;
    }
    const qint64 from = std::min(m_lastSelectedIndex, index);
    const qint64 to = std::max(m_lastSelectedIndex, index);
    for (qint64 k = from; k <= to; ++k) {
        m_selection.insert(k);
        if (k >= 0)
            setNeedsDisplayInRect(cellRectForItemIndex(quint64(k)));
    }
    m_lastSelectedIndex = index;
    selectionDidChange();
}

void ImageCollectionView::removeItemsAtIndexPathsFromSelection(const std::vector<qint64> &indices)
{
    for (qint64 index : indices) {
        m_selection.remove(index);
        if (index >= 0)
            setNeedsDisplayInRect(cellRectForItemIndex(quint64(index)));
    }
    selectionDidChange();
}

void ImageCollectionView::deselectAll()
{
    m_lastSelectedIndex = LMRNotFound;
    if (m_selection.isEmpty()) {
        selectionDidChange(false);
        return;
    }
    for (qint64 index : m_selection)
        if (index >= 0)
            setNeedsDisplayInRect(cellRectForItemIndex(quint64(index)));
    m_selection.clear();
    selectionDidChange();
}

void ImageCollectionView::selectAll()
{
    deselectAll();
    m_selection.insertRange(0, qint64(m_itemCount));
    m_lastSelectedIndex = LMRNotFound;
    setNeedsDisplay();
    selectionDidChange();
}

qint64 ImageCollectionView::currentItemIndex() const
{
    if (m_lastSelectedIndex >= 0 && quint64(m_lastSelectedIndex) < m_itemCount)
        return m_lastSelectedIndex;
    return m_itemCount > 0 ? 0 : LMRNotFound;
}

void ImageCollectionView::selectionDidChange(bool notifyDelegate)
{
    const qint64 current = currentItemIndex();
    if (current != m_indicatedItemIndex) {
        for (qint64 index : {m_indicatedItemIndex, current})
            if (index >= 0 && index != LMRNotFound)
                setNeedsDisplayInRect(cellRectForItemIndex(quint64(index)));
        m_indicatedItemIndex = current;
    }
    // Told once the event is done: a click or a key replaces the selection in several steps,
    // and a screen reader should hear the outcome, not an empty selection on the way.
    if (LMRGridAccessibility::isListening() && !m_accessibilityUpdatePending) {
        m_accessibilityUpdatePending = true;
        QMetaObject::invokeMethod(this, &ImageCollectionView::updateAccessibility, Qt::QueuedConnection);
    }
    if (notifyDelegate && m_delegate)
        m_delegate->collectionViewSelectionDidChange(this);
}

void ImageCollectionView::updateAccessibility()
{
    m_accessibilityUpdatePending = false;
    LMRGridAccessibility::selectionChanged(this, m_accessibleSelection, m_accessibleCurrent);
    m_accessibleSelection = m_selection;
    m_accessibleCurrent = currentItemIndex();
}

void ImageCollectionView::replaceSelection(const LMRIndexSet &selection, qint64 lastSelectedIndex,
                                           bool sameItemsOnScreen)
{
    bool marksKept = sameItemsOnScreen;
    const LMRIndexRange screen = visibleItemsRange();
    for (qint64 index = screen.location; marksKept && index < screen.location + screen.length; ++index)
        marksKept = m_selection.contains(index) == selection.contains(index);
    const qint64 currentBefore = currentItemIndex();
    setSelection(selection);
    m_lastSelectedIndex = lastSelectedIndex;
    reload(!(marksKept && currentItemIndex() == currentBefore));
}

void ImageCollectionView::moveSelectionToIndex(qint64 index, bool extendingSelection)
{
    if (index == LMRNotFound)
        return;
    if (!extendingSelection)
        deselectAll();
    addItemAtIndexToSelection(index);
    scrollItemAtIndexToVisible(index);
}

// ---------------------------------------------------------------------------------------------
// Redraw requests

void ImageCollectionView::setNeedsDisplayInRect(const QRectF &documentRect)
{
    const QRectF visible = documentVisibleRect();
    if (!documentRect.intersects(visible))
        return;
    viewport()->update(documentRect.translated(0, -visible.y()).toAlignedRect());
}

void ImageCollectionView::setNeedsDisplay()
{
    viewport()->update();
}

void ImageCollectionView::setDrawFocusRing(bool draw)
{
    if (draw == m_drawFocusRing)
        return;
    m_drawFocusRing = draw;
    setNeedsDisplay();
}

void ImageCollectionView::setMarquee(bool active, const QRectF &rect)
{
    if (m_marqueeActive)
        setNeedsDisplayInRect(m_marqueeRect);
    m_marqueeActive = active;
    m_marqueeRect = rect;
    if (m_marqueeActive)
        setNeedsDisplayInRect(m_marqueeRect);
}

void ImageCollectionView::colorsDidChange()
{
    setNeedsDisplay();
}

void ImageCollectionView::showFilenamesDidChange()
{
    m_cachedShowFilenames = Preferences::sharedInstance().showFilenames();
    relayout();
    setNeedsDisplay();
}

void ImageCollectionView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    setNeedsDisplay();
    if (LMRGridAccessibility::isListening()) {
        LMRGridAccessibility::focusChanged(this);
        m_accessibleSelection = m_selection;
        m_accessibleCurrent = currentItemIndex();
    }
}

void ImageCollectionView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    setNeedsDisplay();
}

// ---------------------------------------------------------------------------------------------
// Tooltips

bool ImageCollectionView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return showToolTip(static_cast<QHelpEvent *>(event));
    if (event->type() == QEvent::NativeGesture && zoomByGesture(static_cast<QNativeGestureEvent *>(event)))
        return true;
    const bool handled = QAbstractScrollArea::viewportEvent(event);
    // The viewport is the document's width and its visible height: it also changes size when
    // the scroll bar comes or goes, without a resize of the grid itself.
    if (event->type() == QEvent::Resize)
        relayout();
    return handled;
}

bool ImageCollectionView::showToolTip(QHelpEvent *event)
{
    // Worked out from the layout at the moment of asking, like a click: areas registered
    // beforehand go stale with every scroll, zoom and reload.
    const double scrollY = documentVisibleRect().y();
    const QPointF point(event->pos().x(), event->pos().y() + scrollY);
    const quint64 index = itemIndexAtPoint(point);
    if (m_delegate && index < m_itemCount) {
        const QRectF rect = itemRectForCellRect(cellRectForItemIndex(index));
        const LMRImageItemPtr item = LMRPointInRect(point, rect)
            ? m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, qint64(index))
            : nullptr;
        if (item) {
            QToolTip::showText(event->globalPos(), item->path(), viewport(),
                               rect.translated(0, -scrollY).toAlignedRect());
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}
