#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "prefs/Preferences.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <functional>

// The menu bar. Every command is one QAction, named after the delegate's operation it triggers
// with the action as sender; the toolbar's buttons trigger the same actions. The items whose
// state or title the program changes are kept as the delegate's outlets. Check marks, titles
// and enabled states are set from the one table in Commands.cpp each time a menu opens, and
// the enabled states also whenever what the table reads changes, so shortcuts follow it too.
void AppDelegate::buildMainMenu()
{
    QMenuBar *bar = window->menuBar();
    using Handler = void (AppDelegate::*)(QObject *);

    auto command = [this](QMenu *menu, const QString &title, const char *name, Handler handler,
                          const QList<QKeySequence> &shortcuts = {}) {
        QAction *action = menu->addAction(title);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(shortcuts);
        connect(action, &QAction::triggered, this, [this, action, handler] {
            (this->*handler)(action);
            // Most commands change what the table reads.
            scheduleCommandValidation();
        });
        m_commandActions.append(action);
        return action;
    };
    auto checkable = [&command](QMenu *menu, const QString &title, const char *name, Handler handler) {
        QAction *action = command(menu, title, name, handler);
        action->setCheckable(true);
        return action;
    };
    auto validateOnShow = [this](QMenu *menu) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            for (QAction *action : menu->actions()) {
                if (!action->isSeparator() && !action->menu())
                    action->setEnabled(validateMenuItem(action));
            }
        });
    };
    // Some desktops define no key for Preferences; Ctrl+, is what Linux applications use then.
    QList<QKeySequence> preferencesKeys = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (preferencesKeys.isEmpty())
        preferencesKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));

    QMenu *file = bar->addMenu(tr("&File"));
    openMenuItem = command(file, tr("Open…"), "openDocument", &AppDelegate::openDocument,
                           QKeySequence::keyBindings(QKeySequence::Open));
    openRecentMenu = file->addMenu(tr("Open Recent"));
    openRecentMenu->setObjectName(QStringLiteral("openRecentMenu"));
    connect(openRecentMenu, &QMenu::aboutToShow, this, &AppDelegate::updateOpenRecentMenu);
    // A menu without entries cannot be opened to fill it; it is filled once now.
    updateOpenRecentMenu();
    refreshMenuItem = command(file, tr("Refresh"), "refresh", &AppDelegate::refresh, {QKeySequence(Qt::Key_F5)});
    file->addSeparator();
    deleteMenuItem = command(file, tr("Move to Trash"), "deleteSelectedItems", &AppDelegate::deleteSelectedItems,
                             {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
    // The keys trash only what the grid or the viewer holds while it has the focus: pressed in
    // the sidebar, a text field or a slider they must not take files away. The menu item and
    // the toolbar button work from anywhere.
    deleteMenuItem->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    thumbnailsCollectionView->addAction(deleteMenuItem);
    fullSizeView->addAction(deleteMenuItem);
    revealMenuItem = command(file, tr("Reveal in File Manager"), "revealSelectedThumbnailsInFinder",
                             &AppDelegate::revealSelectedThumbnailsInFinder);
    file->addSeparator();
    preferencesMenuItem = command(file, tr("Preferences…"), "showPreferences", &AppDelegate::showPreferences,
                                  preferencesKeys);
    preferencesMenuItem->setMenuRole(QAction::PreferencesRole);
    file->addSeparator();
    quitMenuItem = file->addAction(tr("Quit"));
    quitMenuItem->setObjectName(QStringLiteral("quit"));
    quitMenuItem->setShortcut(QKeySequence::Quit);
    quitMenuItem->setMenuRole(QAction::QuitRole);
    connect(quitMenuItem, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    validateOnShow(file);

    QMenu *edit = bar->addMenu(tr("&Edit"));
    copyMenuItem = command(edit, tr("Copy"), "copy", &AppDelegate::copy, QKeySequence::keyBindings(QKeySequence::Copy));
    copyFilenameOnlyMenuItem = command(edit, tr("Copy File Name"), "copyFilenameOnly", &AppDelegate::copyFilenameOnly,
                                       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)});
    edit->addSeparator();
    selectAllMenuItem = command(edit, tr("Select All"), "selectAll", &AppDelegate::selectAll,
                                QKeySequence::keyBindings(QKeySequence::SelectAll));
    validateOnShow(edit);

    QMenu *view = bar->addMenu(tr("&View"));
    // The titles are set from the settings whenever the menu opens.
    showSidebarMenuItem = command(view, tr("Hide Sidebar"), "didChangeSidebarVisibility",
                                  &AppDelegate::didChangeSidebarVisibility);
    showBottomBarMenuItem = command(view, tr("Hide Bottom Bar"), "didChangeBottomBarVisibility",
                                    &AppDelegate::didChangeBottomBarVisibility);
    showFilenamesMenuItem = command(view, tr("Hide File Names"), "showFilenames", &AppDelegate::showFilenames);
    view->addSeparator();
    // Ctrl+= as well: on most keyboards "+" needs Shift.
    zoomInMenuItem = command(view, tr("Zoom In"), "zoomIn", &AppDelegate::zoomIn,
                             QKeySequence::keyBindings(QKeySequence::ZoomIn) << QKeySequence(Qt::CTRL | Qt::Key_Equal));
    zoomOutMenuItem = command(view, tr("Zoom Out"), "zoomOut", &AppDelegate::zoomOut,
                              QKeySequence::keyBindings(QKeySequence::ZoomOut));
    view->addSeparator();
    fullScreenMenuItem = command(view, tr("Enter Full Screen"), "toggleFullScreen", &AppDelegate::toggleFullScreen,
                                 {QKeySequence(Qt::Key_F11)});
    view->addSeparator();

    QMenu *sortThumbnails = view->addMenu(tr("Sort Thumbnails"));
    const char *sortThumbnailsName = "didChangeThumbnailSortOptions";
    const Handler sortThumbnailsHandler = &AppDelegate::didChangeThumbnailSortOptions;
    sortThumbnailsByNameMenuItem = checkable(sortThumbnails, tr("By Name"), sortThumbnailsName, sortThumbnailsHandler);
    sortThumbnailsByCreationDateMenuItem =
        checkable(sortThumbnails, tr("By Creation Date"), sortThumbnailsName, sortThumbnailsHandler);
    sortThumbnailsByModificationDateMenuItem =
        checkable(sortThumbnails, tr("By Modification Date"), sortThumbnailsName, sortThumbnailsHandler);
    sortThumbnailsByFileSizeMenuItem =
        checkable(sortThumbnails, tr("By File Size"), sortThumbnailsName, sortThumbnailsHandler);
    sortThumbnails->addSeparator();
    sortThumbnailsAscendingMenuItem = checkable(sortThumbnails, tr("Ascending"), sortThumbnailsName, sortThumbnailsHandler);
    sortThumbnailsDescendingMenuItem = checkable(sortThumbnails, tr("Descending"), sortThumbnailsName, sortThumbnailsHandler);
    validateOnShow(sortThumbnails);

    QMenu *sortSidebar = view->addMenu(tr("Sort Sidebar"));
    const char *sortSidebarName = "didChangeSidebarSortOptions";
    const Handler sortSidebarHandler = &AppDelegate::didChangeSidebarSortOptions;
    sortSidebarByNameMenuItem = checkable(sortSidebar, tr("By Name"), sortSidebarName, sortSidebarHandler);
    sortSidebarByCreationDateMenuItem = checkable(sortSidebar, tr("By Creation Date"), sortSidebarName, sortSidebarHandler);
    sortSidebarByModificationDateMenuItem =
        checkable(sortSidebar, tr("By Modification Date"), sortSidebarName, sortSidebarHandler);
    sortSidebar->addSeparator();
    sortSidebarAscendingMenuItem = checkable(sortSidebar, tr("Ascending"), sortSidebarName, sortSidebarHandler);
    sortSidebarDescendingMenuItem = checkable(sortSidebar, tr("Descending"), sortSidebarName, sortSidebarHandler);
    validateOnShow(sortSidebar);

    QMenu *depth = view->addMenu(tr("Folder Depth"));
    // The data is the depth the item stands for, as the tag of a menu item would carry it.
    folderDepth0MenuItem = checkable(depth, tr("This Folder Only"), "setFolderDepthFromMenu", &AppDelegate::setFolderDepthFromMenu);
    folderDepth0MenuItem->setData(0);
    folderDepthUnlimitedMenuItem =
        checkable(depth, tr("All Subfolders"), "setFolderDepthFromMenu", &AppDelegate::setFolderDepthFromMenu);
    folderDepthUnlimitedMenuItem->setData(-1);
    validateOnShow(depth);
    validateOnShow(view);

    QMenu *go = bar->addMenu(tr("&Go"));
    command(go, tr("Previous Image"), "showPreviousImageInFullSizeView", &AppDelegate::showPreviousImageInFullSizeView);
    command(go, tr("Next Image"), "showNextImageInFullSizeView", &AppDelegate::showNextImageInFullSizeView);
    command(go, tr("Back to Thumbnails"), "cancelFullSizeView", &AppDelegate::cancelFullSizeView);
    go->addSeparator();
    command(go, tr("Open Selected Folder"), "didDoubleClickOutlineView", &AppDelegate::didDoubleClickOutlineView);
    command(go, tr("Enclosing Folder"), "openEnclosingFolder", &AppDelegate::openEnclosingFolder,
            {QKeySequence(Qt::ALT | Qt::Key_Up)});
    validateOnShow(go);

    QMenu *slideshow = bar->addMenu(tr("&Slideshow"));
    // F5, the usual slideshow key of Linux viewers, refreshes here and F11 is full screen, so the
    // slideshow takes F5 with Shift (as presentation programs start a show), shuffled with Ctrl too.
    startSlideshowMenuItem = command(slideshow, tr("Start Slideshow"), "startSlideshow", &AppDelegate::startSlideshow,
                                     {QKeySequence(Qt::SHIFT | Qt::Key_F5)});
    startShuffledSlideshowMenuItem =
        command(slideshow, tr("Start Shuffled Slideshow"), "startShuffledSlideshow", &AppDelegate::startShuffledSlideshow,
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F5)});
    validateOnShow(slideshow);

    QMenu *windowMenu = bar->addMenu(tr("&Window"));
    showMainWindowMenuItem = command(windowMenu, tr("Main Window"), "showMainWindow", &AppDelegate::showMainWindow);

    QMenu *help = bar->addMenu(tr("&Help"));
    websiteMenuItem = command(help, tr("Lumory Website"), "showLumoryWebsite", &AppDelegate::showLumoryWebsite);
    help->addSeparator();
    aboutMenuItem = command(help, tr("About Lumory"), "showAboutBox", &AppDelegate::showAboutBox);
    aboutMenuItem->setMenuRole(QAction::AboutRole);

    // Full screen hides the menu bar, and a hidden menu bar's shortcuts do nothing; held by the
    // window as well, every command keeps its keys. Commands whose keys belong to particular
    // widgets (Move to Trash) are held by those widgets already.
    for (const QPointer<QAction> &action : std::as_const(m_commandActions)) {
        if (action && action->shortcutContext() == Qt::WindowShortcut)
            window->addAction(action);
    }
    window->addAction(quitMenuItem);
}
