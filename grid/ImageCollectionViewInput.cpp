// Mouse, keyboard and rubber band of the thumbnail grid: how presses, drags and keys become
// selection changes and requests to the delegate.
//
// Events reach these handlers through the viewport, in viewport coordinates; everything that
// compares with item rectangles works in document coordinates (the viewport point moved down
// by the scroll offset).

#include "grid/ImageCollectionView.h"

#include "grid/ImageCollectionViewDelegate.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineF>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Keys that say where a key sits rather than which modifier is held.
Qt::KeyboardModifiers modifierKeys(Qt::KeyboardModifiers modifiers)
{
    return modifiers & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
}

// A press must travel this far before it stops being a click.
constexpr float dragThreshold = 5.0f;

} // namespace

QPointF ImageCollectionView::documentPoint(const QPointF &viewportPoint) const
{
    return QPointF(viewportPoint.x(), viewportPoint.y() + documentVisibleRect().y());
}

// ---------------------------------------------------------------------------------------------
// Keyboard moves

void ImageCollectionView::moveUp() { moveSelectionToIndex(indexOfItemAboveIndex(m_lastSelectedIndex), false); }
void ImageCollectionView::moveDown() { moveSelectionToIndex(indexOfItemBelowIndex(m_lastSelectedIndex), false); }
void ImageCollectionView::moveLeft() { moveSelectionToIndex(indexOfItemToLeftOfIndex(m_lastSelectedIndex), false); }
void ImageCollectionView::moveRight() { moveSelectionToIndex(indexOfItemToRightOfIndex(m_lastSelectedIndex), false); }

void ImageCollectionView::moveUpAndModifySelection()
{
    moveSelectionToIndex(indexOfItemAboveIndex(m_lastSelectedIndex), true);
}

void ImageCollectionView::moveDownAndModifySelection()
{
    moveSelectionToIndex(indexOfItemBelowIndex(m_lastSelectedIndex), true);
}

void ImageCollectionView::moveLeftAndModifySelection()
{
    moveSelectionToIndex(indexOfItemToLeftOfIndex(m_lastSelectedIndex), true);
}

void ImageCollectionView::moveRightAndModifySelection()
{
    moveSelectionToIndex(indexOfItemToRightOfIndex(m_lastSelectedIndex), true);
}

void ImageCollectionView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }

    const Qt::KeyboardModifiers modifiers = modifierKeys(event->modifiers());
    // Ctrl, Alt and Meta combinations belong to menus and the desktop, not to the grid.
    const bool commandHeld = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool shift = modifiers & Qt::ShiftModifier;

    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (commandHeld)
            break;
        // Asked even with nothing selected: the delegate decides what deleting nothing means.
        if (m_delegate)
            m_delegate->collectionViewDeleteSelectedItems(this);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (commandHeld)
            break;
        if (m_lastSelectedIndex != LMRNotFound && m_delegate)
            m_delegate->collectionViewDidDoubleClickItemAtIndexPath(this, m_lastSelectedIndex);
        return;
    case Qt::Key_Up:
        if (commandHeld)
            break;
        shift ? moveUpAndModifySelection() : moveUp();
        return;
    case Qt::Key_Down:
        if (commandHeld)
            break;
        shift ? moveDownAndModifySelection() : moveDown();
        return;
    case Qt::Key_Left:
        if (commandHeld)
            break;
        shift ? moveLeftAndModifySelection() : moveLeft();
        return;
    case Qt::Key_Right:
        if (commandHeld)
            break;
        shift ? moveRightAndModifySelection() : moveRight();
        return;
    case Qt::Key_Home:
        scrollToBeginningOfDocument();
        return;
    case Qt::Key_End:
        scrollToEndOfDocument();
        return;
    default:
        break;
    }
    // Page Up and Page Down scroll by a page here; anything else goes on to the parent.
    QAbstractScrollArea::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Mouse

void ImageCollectionView::mousePressEvent(QMouseEvent *event)
{
    // The right button arrives again as a context-menu event.
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    handlePress(event->position(), event->modifiers(), 1);
}

void ImageCollectionView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    handlePress(event->position(), event->modifiers(), 2);
}

void ImageCollectionView::handlePress(const QPointF &viewportPoint, Qt::KeyboardModifiers modifiers, int clickCount)
{
    m_mouseDraggedSinceDown = false;
    m_pressShowedMenu = false;
    // A press of ours means no drag hovers any more, even if the leave of a refused one never
    // reached the grid.
    m_draggingEntered = false;
    m_itemIndexSelectedByMouseDown = quint64(LMRNotFound);
    // Viewport and window coordinates differ by a constant, so distances are the same.
    m_mouseDownLocation = viewportPoint;

    const QPointF p = documentPoint(viewportPoint);
    const quint64 index = itemIndexAtPoint(p);
    bool onItem = false;
    if (index < m_itemCount) {
        const QRectF item = itemRectForCellRect(cellRectForItemIndex(index));
        onItem = LMRPointInRect(p, hitRectForItemRect(item))
                 || (m_cachedShowFilenames && LMRPointInRect(p, textRectForItemRect(item)));
    }
    if (!onItem) {
        m_marqueeAnchorPoint = p;
        return;
    }
    // Meta stands where the other desktop's Control-click asks for the context menu.
    if (clickCount == 1 && (modifierKeys(modifiers) & Qt::MetaModifier)) {
        requestPopUpMenu(p);
        m_pressShowedMenu = true;
    }
    if (clickCount == 2 && m_delegate)
        m_delegate->collectionViewDidDoubleClickItemAtIndexPath(this, qint64(index));
    m_itemIndexSelectedByMouseDown = index;
}

void ImageCollectionView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    // A drop hovering over the grid (possibly the grid's own drag) is not a press of ours.
    if (m_draggingEntered || m_pressShowedMenu)
        return;
    const QPointF position = event->position();
    if (float(QLineF(m_mouseDownLocation, position).length()) < dragThreshold)
        return;

    if (m_marqueeActive) {
        updateMarquee(position, event->modifiers());
        return;
    }
    // One press starts at most one drag session, even where the window system hands the
    // moves that follow it back to the grid.
    if (m_mouseDraggedSinceDown)
        return;
    m_mouseDraggedSinceDown = true;

    if (m_itemIndexSelectedByMouseDown == quint64(LMRNotFound)) {
        // The band is first drawn by the next move, from the anchor the press recorded.
        m_selectionBeforeMarquee = m_selection;
        m_marqueeActive = true;
        return;
    }
    const qint64 index = qint64(m_itemIndexSelectedByMouseDown);
    if (!m_selection.contains(index)) {
        if (modifierKeys(event->modifiers()) == Qt::NoModifier)
            deselectAll();
        addItemAtIndexToSelection(index);
    }
    startDragSession(position);
}

void ImageCollectionView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    clearMarquee();
    // The menu that the press opened takes the place of the click.
    if (m_pressShowedMenu || m_mouseDraggedSinceDown)
        return;

    const Qt::KeyboardModifiers modifiers = modifierKeys(event->modifiers());
    const bool plain = modifiers == Qt::NoModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (m_itemIndexSelectedByMouseDown == quint64(LMRNotFound)) {
        if (plain)
            deselectAll();
        return;
    }
    const qint64 index = qint64(m_itemIndexSelectedByMouseDown);
    if (plain)
        deselectAll();
    if (m_selection.contains(index)) {
        if (!shift)
            removeItemsAtIndexPathsFromSelection({index});
    } else if (shift) {
        extendLastSelectionTo(index);
    } else {
        addItemAtIndexToSelection(index);
    }
}

void ImageCollectionView::contextMenuEvent(QContextMenuEvent *event)
{
    QPointF p = documentPoint(event->pos());
    // The menu key has no pointer position: the menu belongs to the first selected item then.
    if (event->reason() == QContextMenuEvent::Keyboard && !m_selection.isEmpty()) {
        const qint64 first = m_selection.firstIndex();
        p = itemRectForCellRect(cellRectForItemIndex(quint64(first))).center();
        scrollItemAtIndexToVisible(first);
    }
    requestPopUpMenu(p);
    event->accept();
}

void ImageCollectionView::requestPopUpMenu(const QPointF &documentPoint)
{
    // Shown after the event that asked for it has returned.
    QMetaObject::invokeMethod(this, [this, documentPoint] { showPopUpMenuAtPoint(documentPoint); },
                              Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// Rubber band

void ImageCollectionView::updateMarquee(const QPointF &viewportPoint, Qt::KeyboardModifiers modifiers)
{
    setNeedsDisplayInRect(m_marqueeRect);
    const QPointF a = m_marqueeAnchorPoint;
    const QPointF p = documentPoint(viewportPoint);
    const float x0 = float(std::min(a.x(), p.x()));
    const float y0 = float(std::min(a.y(), p.y()));
    const float x1 = float(std::max(a.x(), p.x()));
    const float y1 = float(std::max(a.y(), p.y()));
    m_marqueeRect = QRectF(x0, y0, std::ceil(x1 - x0 + 1), std::ceil(y1 - y0 + 1));
    setNeedsDisplayInRect(m_marqueeRect);

    const bool modified = modifierKeys(modifiers) != Qt::NoModifier;
    auto wasSelected = [&](qint64 k) { return modified && m_selectionBeforeMarquee.contains(k); };

    // Removal tests the whole item rectangle and addition the smaller hit area, so an item the
    // band selected stays selected while the band still touches its frame.
    std::vector<qint64> removals;
    for (qint64 k : m_selection) {
        const bool touched = k >= 0 && itemRectForCellRect(cellRectForItemIndex(quint64(k))).intersects(m_marqueeRect);
        if (touched == wasSelected(k))
            removals.push_back(k);
    }
    for (qint64 k : removals) {
        m_selection.remove(k);
        if (k >= 0)
            setNeedsDisplayInRect(cellRectForItemIndex(quint64(k)));
    }

    auto addIfDue = [&](qint64 k, bool mayBeTouched) {
        bool touched = false;
        if (mayBeTouched) {
            const QRectF item = itemRectForCellRect(cellRectForItemIndex(quint64(k)));
            QRectF area = hitRectForItemRect(item);
            if (m_cachedShowFilenames)
                area = area.united(textRectForItemRect(item));
            touched = area.intersects(m_marqueeRect);
        }
        if (touched != wasSelected(k))
            addItemAtIndexToSelection(k);
    };
    // Every item's hit area lies inside its own cell, so only the rows the band crosses (one
    // more each way for the rounding of cell edges) can be touched; outside them an item comes
    // back only as a toggled member of the earlier selection. Walking just those keeps a large
    // folder's band cheap, with the same additions in the same ascending order.
    const qint64 count = qint64(m_itemCount);
    const qint64 columns = numberOfVisibleColumns();
    const double rowHeight = double(cellHeight());
    const qint64 firstRow = std::max<qint64>(0, qint64(std::floor(m_marqueeRect.top() / rowHeight)) - 1);
    const qint64 lastRow = std::max<qint64>(0, qint64(std::floor(m_marqueeRect.bottom() / rowHeight)) + 1);
    const qint64 first = std::min(count, firstRow * columns);
    const qint64 end = std::min(count, (lastRow + 1) * columns);
    static const std::vector<qint64> nothing;
    const std::vector<qint64> &before = modified ? m_selectionBeforeMarquee.indices() : nothing;
    auto outside = before.begin();
    for (; outside != before.end() && *outside < first; ++outside)
        if (*outside >= 0)
            addIfDue(*outside, false);
    for (qint64 k = first; k < end; ++k)
        addIfDue(k, true);
    for (outside = std::lower_bound(before.begin(), before.end(), end); outside != before.end(); ++outside)
        if (*outside < count)
            addIfDue(*outside, false);

    selectionDidChange();
    autoscroll(viewportPoint);
}

void ImageCollectionView::clearMarquee()
{
    if (!m_marqueeActive)
        return;
    // The rectangle keeps its value; it is simply no longer drawn.
    setNeedsDisplayInRect(m_marqueeRect);
    m_marqueeActive = false;
}

bool ImageCollectionView::autoscroll(const QPointF &viewportPoint)
{
    if (m_drawFocusRing)
        return false;
    const double height = viewport()->height();
    double dy = 0;
    if (viewportPoint.y() < 0)
        dy = viewportPoint.y();
    else if (viewportPoint.y() > height)
        dy = viewportPoint.y() - height;
    if (dy == 0)
        return false;
    QScrollBar *bar = verticalScrollBar();
    const int before = bar->value();
    bar->setValue(before + int(dy < 0 ? std::floor(dy) : std::ceil(dy)));
    return bar->value() != before;
}

// ---------------------------------------------------------------------------------------------
// Zooming with the wheel and the touchpad

void ImageCollectionView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A notch of a wheel is one step; a touchpad's small turns add up to one.
    m_zoomWheelDelta += event->angleDelta().y();
    const int steps = m_zoomWheelDelta / 120;
    m_zoomWheelDelta -= steps * 120;
    if (steps != 0)
        zoomBySteps(steps, event->position());
    event->accept();
}

bool ImageCollectionView::zoomByGesture(QNativeGestureEvent *event)
{
    if (event->gestureType() == Qt::BeginNativeGesture || event->gestureType() == Qt::EndNativeGesture) {
        m_zoomPinch = 0;
        return false;
    }
    if (event->gestureType() != Qt::ZoomNativeGesture)
        return false;
    // A quarter more or less of the pinch's size is one step.
    constexpr double kPinchPerStep = 0.25;
    m_zoomPinch += event->value();
    const int steps = int(m_zoomPinch / kPinchPerStep);
    m_zoomPinch -= steps * kPinchPerStep;
    if (steps != 0)
        zoomBySteps(steps, event->position());
    event->accept();
    return true;
}

void ImageCollectionView::zoomBySteps(int steps, const QPointF &viewportPoint)
{
    if (!m_delegate || steps == 0)
        return;
    // The item to keep in place, and how far down its cell the pointer is. Below the last item
    // it is the last one.
    const double scrollY = documentVisibleRect().y();
    const QPointF documentPoint(viewportPoint.x(), viewportPoint.y() + scrollY);
    qint64 anchor = -1;
    double down = 0.5;
    if (m_itemCount > 0) {
        anchor = qint64(std::min<quint64>(itemIndexAtPoint(documentPoint), m_itemCount - 1));
        const QRectF cell = cellRectForItemIndex(quint64(anchor));
        if (cell.height() > 0)
            down = std::clamp((documentPoint.y() - cell.y()) / cell.height(), 0.0, 1.0);
    }
    const qint64 sizeBefore = itemSize();
    m_delegate->collectionViewZoomBySteps(this, steps);
    if (anchor < 0 || itemSize() == sizeBefore)
        return;
    const QRectF cell = cellRectForItemIndex(quint64(anchor));
    verticalScrollBar()->setValue(qRound(cell.y() + down * cell.height() - viewportPoint.y()));
}
