#include "app/BottomBarView.h"

BottomBarView::BottomBarView(QWidget *contentView)
    : QWidget(contentView), mainWindow(contentView)
{
    setObjectName(QStringLiteral("bottomBarView"));
    setAutoFillBackground(true);
    setFixedHeight(kHeight);
}

BottomBarView::~BottomBarView()
{
    // The sub-bar not on show has no parent; the other goes with this widget.
    for (QWidget *subBar : {bottomBarViewForThumbnails.data(), bottomBarViewForFullSize.data()}) {
        if (subBar && !subBar->parentWidget())
            delete subBar;
    }
}

QRect BottomBarView::frameInContentView(const QSize &contentSize)
{
    return QRect(0, contentSize.height() - kHeight, contentSize.width(), kHeight);
}

bool BottomBarView::isShown() const
{
    return parentWidget() != nullptr;
}

bool BottomBarView::show()
{
    if (parentWidget() || !mainWindow)
        return false;
    setParent(mainWindow);
    setGeometry(frameInContentView(mainWindow->size()));
    for (QWidget *subBar : {bottomBarViewForThumbnails.data(), bottomBarViewForFullSize.data()}) {
        if (subBar)
            subBar->setGeometry(rect());
    }
    QWidget::show();
    return true;
}

bool BottomBarView::hide()
{
    if (!parentWidget())
        return false;
    // setParent(nullptr) leaves a hidden top-level widget; it is never shown as one.
    setParent(nullptr);
    return true;
}

void BottomBarView::showBottomBarForThumbnails()
{
    showSubBar(bottomBarViewForThumbnails, bottomBarViewForFullSize);
}

void BottomBarView::showBottomBarForFullSizeView()
{
    showSubBar(bottomBarViewForFullSize, bottomBarViewForThumbnails);
}

void BottomBarView::showSubBar(QWidget *wanted, QWidget *other)
{
    if (!wanted)
        return;
    const bool holdsOther = other && other->parentWidget() == this;
    const bool holdsNothing = !wanted->parentWidget() && !holdsOther;
    if (!holdsOther && !holdsNothing)
        return;
    if (other && other->parentWidget())
        other->setParent(nullptr);
    wanted->setParent(this);
    wanted->setGeometry(rect());
    wanted->QWidget::show();
}

void BottomBarView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (QWidget *subBar : {bottomBarViewForThumbnails.data(), bottomBarViewForFullSize.data()}) {
        if (subBar && subBar->parentWidget() == this)
            subBar->setGeometry(rect());
    }
}
