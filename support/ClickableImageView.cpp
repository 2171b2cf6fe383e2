#include "support/ClickableImageView.h"

#include <QIcon>
#include <QMouseEvent>
#include <QTimer>

LMRClickableImageView::LMRClickableImageView(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
}

void LMRClickableImageView::setImage(const QPixmap &pixmap)
{
    setPixmap(pixmap);
}

void LMRClickableImageView::setImage(const QIcon &icon)
{
    QSize size = contentsRect().size();
    if (size.isEmpty()) {
        const QList<QSize> sizes = icon.availableSizes();
        size = sizes.isEmpty() ? QSize(16, 16) : sizes.last();
    }
    // Drawn for the screen the view is on, so artwork stays sharp at any pixel ratio.
    setPixmap(icon.pixmap(size, devicePixelRatioF()));
}

void LMRClickableImageView::mouseReleaseEvent(QMouseEvent *event)
{
    // Clicked as a button is: with the left button. A right-click means a context menu
    // somewhere, never a step of the zoom.
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    performClick();
}

void LMRClickableImageView::performClick()
{
    if (!m_target || !m_action)
        return;
    QTimer::singleShot(0, m_target.data(), [self = QPointer<LMRClickableImageView>(this), action = m_action] {
        if (self)
            action(self);
    });
}
