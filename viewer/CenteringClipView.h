#pragma once
// LMRCenteringClipView: the viewer's scroll area. A document narrower or lower than the visible
// area is centred in that dimension instead of being pinned to the top-left corner; in a
// dimension where it is larger, it scrolls as in any scroll area, starting from its top edge.
//
// It does its own layout of the one document widget (QScrollArea's is private and always pins to
// a corner). It knows nothing of images or scales; the document reports its fractional frame.

#include <QAbstractScrollArea>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>

class LMRScalingImageView;

class LMRCenteringClipView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit LMRCenteringClipView(QWidget *parent = nullptr);

    void setDocumentView(LMRScalingImageView *view);
    LMRScalingImageView *documentView() const { return m_documentView; }

    bool centersDocumentView() const { return m_centersDocumentView; }
    void setCentersDocumentView(bool centers);

    // The visible rectangle in document coordinates for a proposed one: a proposal that is wider
    // (higher) than the document gets the centring origin in that dimension, the other keeps its
    // own origin. document is the document's frame size.
    static QRectF constrainBoundsRect(const QRectF &proposed, QSizeF document, bool centers = true);
    // Just the centring origin, in both dimensions, for a document in a visible area.
    static QPointF centeredOrigin(QSizeF proposed, QSizeF document);

    // The visible rectangle as last laid out, in document coordinates.
    QRectF bounds() const { return m_bounds; }

signals:
    // The visible area changed size (window resize, scroll bars coming or going).
    void viewportResized();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;
    QSize viewportSizeHint() const override;

private:
    void updateScrollBars();
    void layoutDocument();

    QPointer<LMRScalingImageView> m_documentView;
    QRectF m_bounds;
    bool m_centersDocumentView = true;
    bool m_updatingScrollBars = false;
};
