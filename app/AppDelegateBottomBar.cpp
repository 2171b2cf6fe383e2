#include "app/AppDelegate.h"

#include "app/BottomBarView.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "prefs/Preferences.h"

#include <QAction>
#include <QSplitter>
#include <QTreeView>

void AppDelegate::showBottomBar()
{
    // The split view moves only when the bar really arrived, so repeating the command is harmless.
    if (!bottomBarView || !bottomBarView->show())
        return;
    if (splitView && contentView)
        splitView->setGeometry(MainContentView::splitViewFrame(contentView->size(), true));
}

void AppDelegate::hideBottomBar()
{
    if (!bottomBarView || !bottomBarView->hide())
        return;
    if (splitView && contentView)
        splitView->setGeometry(MainContentView::splitViewFrame(contentView->size(), false));
}

void AppDelegate::didChangeBottomBarVisibility(QObject *)
{
    Preferences &preferences = Preferences::sharedInstance();
    if (preferences.showBottomBar()) {
        preferences.setShowBottomBar(false);
        hideBottomBar();
        if (showBottomBarMenuItem)
            showBottomBarMenuItem->setText(tr("Show Bottom Bar"));
    } else {
        preferences.setShowBottomBar(true);
        showBottomBar();
        if (showBottomBarMenuItem)
            showBottomBarMenuItem->setText(tr("Hide Bottom Bar"));
    }
}

void AppDelegate::showThumbnailsCollectionView()
{
    if (splitView && fullSizeView && thumbnailsSuperview)
        LMRReplaceSplitViewPane(splitView, fullSizeView, thumbnailsSuperview);
    if (bottomBarView)
        bottomBarView->showBottomBarForThumbnails();
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->setFocus(Qt::OtherFocusReason);
    // Tab goes from the sidebar list to the grid, and on from the grid back to the list: they
    // are the only widgets of the window in the tab chain. Before a folder is open the list is
    // not in the window, and there is no loop to close.
    if (sidebarOutlineView && thumbnailsCollectionView
        && sidebarOutlineView->window() == thumbnailsCollectionView->window())
        QWidget::setTabOrder(sidebarOutlineView, thumbnailsCollectionView);
}
