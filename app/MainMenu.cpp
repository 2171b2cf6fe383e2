#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "prefs/Preferences.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <functional>

// The menu bar. Every command is one QAction that triggers the delegate's operation of the same
// name with the action as sender; the items whose state or title the program changes are kept
// as the delegate's outlets. Whether a command may run is asked each time a menu opens.
void AppDelegate::buildMainMenu()
{
    QMenuBar *bar = window->menuBar();
    using Handler = void (AppDelegate::*)(QObject *);

    auto command = [this](QMenu *menu, const QString &title, Handler handler,
                          const QKeySequence &shortcut = QKeySequence()) {
        QAction *action = menu->addAction(title);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
        return action;
    };
    auto checkable = [&command](QMenu *menu, const QString &title, Handler handler) {
        QAction *action = command(menu, title, handler);
        action->setCheckable(true);
        return action;
    };
    auto validateOnShow = [this](QMenu *menu) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            for (QAction *action : menu->actions()) {
                if (!action->isSeparator() && !action->menu())
                    action->setEnabled(validateAction(action));
            }
        });
    };
    Preferences &preferences = Preferences::sharedInstance();

    QMenu *file = bar->addMenu(tr("&File"));
    openMenuItem = command(file, tr("Open…"), &AppDelegate::openDocument, QKeySequence::Open);
    refreshMenuItem = command(file, tr("Refresh"), &AppDelegate::refresh, QKeySequence(Qt::Key_F5));
    file->addSeparator();
    deleteMenuItem = command(file, tr("Move to Trash"), &AppDelegate::deleteSelectedItems,
                             QKeySequence(Qt::Key_Delete));
    command(file, tr("Reveal in File Manager"), &AppDelegate::revealSelectedThumbnailsInFinder);
    file->addSeparator();
    command(file, tr("Preferences…"), &AppDelegate::showPreferences, QKeySequence::Preferences);
    file->addSeparator();
    quitMenuItem = file->addAction(tr("Quit"));
    quitMenuItem->setShortcut(QKeySequence::Quit);
    quitMenuItem->setMenuRole(QAction::QuitRole);
    connect(quitMenuItem, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    validateOnShow(file);

    QMenu *view = bar->addMenu(tr("&View"));
    showSidebarMenuItem = command(view, preferences.showSidebar() ? tr("Hide Sidebar") : tr("Show Sidebar"),
                                  &AppDelegate::didChangeSidebarVisibility);
    showBottomBarMenuItem = command(view, preferences.showBottomBar() ? tr("Hide Bottom Bar") : tr("Show Bottom Bar"),
                                    &AppDelegate::didChangeBottomBarVisibility);
    showFilenamesMenuItem = command(view, preferences.showFilenames() ? tr("Hide File Names") : tr("Show File Names"),
                                    &AppDelegate::showFilenames);
    view->addSeparator();
    command(view, tr("Zoom In"), &AppDelegate::zoomIn, QKeySequence::ZoomIn);
    command(view, tr("Zoom Out"), &AppDelegate::zoomOut, QKeySequence::ZoomOut);
    view->addSeparator();

    QMenu *sortThumbnails = view->addMenu(tr("Sort Thumbnails"));
    sortThumbnailsByNameMenuItem = checkable(sortThumbnails, tr("By Name"), &AppDelegate::didChangeThumbnailSortOptions);
    sortThumbnailsByCreationDateMenuItem =
        checkable(sortThumbnails, tr("By Creation Date"), &AppDelegate::didChangeThumbnailSortOptions);
    sortThumbnailsByModificationDateMenuItem =
        checkable(sortThumbnails, tr("By Modification Date"), &AppDelegate::didChangeThumbnailSortOptions);
    sortThumbnailsByFileSizeMenuItem =
        checkable(sortThumbnails, tr("By File Size"), &AppDelegate::didChangeThumbnailSortOptions);
    sortThumbnails->addSeparator();
    sortThumbnailsAscendingMenuItem = checkable(sortThumbnails, tr("Ascending"), &AppDelegate::didChangeThumbnailSortOptions);
    sortThumbnailsDescendingMenuItem = checkable(sortThumbnails, tr("Descending"), &AppDelegate::didChangeThumbnailSortOptions);
    validateOnShow(sortThumbnails);

    QMenu *sortSidebar = view->addMenu(tr("Sort Sidebar"));
    sortSidebarByNameMenuItem = checkable(sortSidebar, tr("By Name"), &AppDelegate::didChangeSidebarSortOptions);
    sortSidebarByCreationDateMenuItem =
        checkable(sortSidebar, tr("By Creation Date"), &AppDelegate::didChangeSidebarSortOptions);
    sortSidebarByModificationDateMenuItem =
        checkable(sortSidebar, tr("By Modification Date"), &AppDelegate::didChangeSidebarSortOptions);
    sortSidebar->addSeparator();
    sortSidebarAscendingMenuItem = checkable(sortSidebar, tr("Ascending"), &AppDelegate::didChangeSidebarSortOptions);
    sortSidebarDescendingMenuItem = checkable(sortSidebar, tr("Descending"), &AppDelegate::didChangeSidebarSortOptions);
    validateOnShow(sortSidebar);

    QMenu *depth = view->addMenu(tr("Folder Depth"));
    // The data is the depth the item stands for, as the tag of a menu item would carry it.
    folderDepth0MenuItem = checkable(depth, tr("This Folder Only"), &AppDelegate::setFolderDepthFromMenu);
    folderDepth0MenuItem->setData(0);
    folderDepthUnlimitedMenuItem = checkable(depth, tr("All Subfolders"), &AppDelegate::setFolderDepthFromMenu);
    folderDepthUnlimitedMenuItem->setData(-1);
    validateOnShow(depth);
    validateOnShow(view);

    QMenu *go = bar->addMenu(tr("&Go"));
    command(go, tr("Previous Image"), &AppDelegate::showPreviousImageInFullSizeView);
    command(go, tr("Next Image"), &AppDelegate::showNextImageInFullSizeView);
    command(go, tr("Back to Thumbnails"), &AppDelegate::cancelFullSizeView);
    go->addSeparator();
    command(go, tr("Enclosing Folder"), &AppDelegate::openEnclosingFolder, QKeySequence(Qt::ALT | Qt::Key_Up));
    validateOnShow(go);

    QMenu *slideshow = bar->addMenu(tr("&Slideshow"));
    startSlideshowMenuItem = command(slideshow, tr("Start Slideshow"), &AppDelegate::startSlideshow);
    startShuffledSlideshowMenuItem = command(slideshow, tr("Start Shuffled Slideshow"), &AppDelegate::startShuffledSlideshow);
    validateOnShow(slideshow);

    QMenu *windowMenu = bar->addMenu(tr("&Window"));
    showMainWindowMenuItem = command(windowMenu, tr("Main Window"), &AppDelegate::showMainWindow);

    QMenu *help = bar->addMenu(tr("&Help"));
    command(help, tr("Lumory Website"), &AppDelegate::showLumoryWebsite);
}
