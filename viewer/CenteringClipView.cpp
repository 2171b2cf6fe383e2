#include "viewer/CenteringClipView.h"

#include "viewer/ScalingImageView.h"

#include <QResizeEvent>
#include <QScrollBar>

#include <cmath>

LMRCenteringClipView::LMRCenteringClipView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("clipView"));
    setFrameShape(QFrame::NoFrame);
    // The viewer's background shows through around a centred image.
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

void LMRCenteringClipView::setDocumentView(LMRScalingImageView *view)
{
    if (m_documentView)
        disconnect(m_documentView, nullptr, this, nullptr);
    m_documentView = view;
    if (view) {
        view->setParent(viewport());
        view->show();
        connect(view, &LMRScalingImageView::frameSizeChanged, this, [this] {
            updateScrollBars();
            layoutDocument();
        });
    }
    updateScrollBars();
    layoutDocument();
}

void LMRCenteringClipView::setCentersDocumentView(bool centers)
{
    m_centersDocumentView = centers;
    layoutDocument();
}

QPointF LMRCenteringClipView::centeredOrigin(QSizeF proposed, QSizeF document)
{
    // floor, not rounding: an odd difference leaves the extra point on the right (bottom) side.
    return QPointF(std::floor((proposed.width() - document.width()) * -0.5),
                   std::floor((proposed.height() - document.height()) * -0.5));
}

QRectF LMRCenteringClipView::constrainBoundsRect(const QRectF &proposed, QSizeF document, bool centers)
{
    // What any scroll area does: the origin stays within the document.
    QRectF constrained = proposed;
    constrained.moveLeft(qBound(0.0, proposed.x(), qMax(0.0, document.width() - proposed.width())));
    constrained.moveTop(qBound(0.0, proposed.y(), qMax(0.0, document.height() - proposed.height())));
    if (!centers)
        return constrained;
    // The comparisons use the proposal's size, not the constrained one's.
    const QPointF centred = centeredOrigin(proposed.size(), document);
    if (proposed.width() >= document.width())
        constrained.moveLeft(centred.x());
    if (proposed.height() >= document.height())
        constrained.moveTop(centred.y());
    return constrained;
}

void LMRCenteringClipView::updateScrollBars()
{
    if (m_updatingScrollBars)
        return;
    m_updatingScrollBars = true;
    const QSize document = m_documentView ? m_documentView->size() : QSize();
    const QSize visible = viewport()->size();
    horizontalScrollBar()->setRange(0, qMax(0, document.width() - visible.width()));
    horizontalScrollBar()->setPageStep(qMax(1, visible.width()));
    verticalScrollBar()->setRange(0, qMax(0, document.height() - visible.height()));
    verticalScrollBar()->setPageStep(qMax(1, visible.height()));
    m_updatingScrollBars = false;
}

void LMRCenteringClipView::layoutDocument()
{
    const QSizeF document = m_documentView ? m_documentView->frameSize() : QSizeF(0, 0);
    const QRectF proposed(horizontalScrollBar()->value(), verticalScrollBar()->value(),
                          viewport()->width(), viewport()->height());
    m_bounds = constrainBoundsRect(proposed, document, m_centersDocumentView);
    if (m_documentView)
        m_documentView->move(-qRound(m_bounds.x()), -qRound(m_bounds.y()));
}

void LMRCenteringClipView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    layoutDocument();
}

void LMRCenteringClipView::scrollContentsBy(int, int)
{
    // The document is a child widget placed by layoutDocument, not pixels to be blitted.
    layoutDocument();
}

bool LMRCenteringClipView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        // Scroll bars coming or going resize the viewport without resizing this widget.
        updateScrollBars();
        layoutDocument();
        emit viewportResized();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QSize LMRCenteringClipView::viewportSizeHint() const
{
    return m_documentView ? m_documentView->size() : QAbstractScrollArea::viewportSizeHint();
}
