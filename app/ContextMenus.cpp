#include "app/ContextMenus.h"

#include "app/AppDelegate.h"
#include "grid/ImageCollectionView.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ContextMenus", text);
}
} // namespace

QMenu *LMRBuildThumbnailContextMenu(AppDelegate *appDelegate, ImageCollectionView *grid)
{
    auto *menu = new QMenu(grid);
    menu->setObjectName(QStringLiteral("itemPopUpMenu"));

    auto *openWith = new QMenu(tr("Open With"), menu);
    QAction *openWithEntry = menu->addMenu(openWith);
    openWithEntry->setData(-1);

    menu->addSeparator();
    QPointer<ImageCollectionView> view(grid);
    QObject::connect(menu->addAction(tr("Copy")), &QAction::triggered, grid, [view] {
        if (view)
            view->copy();
    });
    QObject::connect(menu->addAction(tr("Copy File Name")), &QAction::triggered, grid, [view] {
        if (view)
            view->copyFilenameOnly();
    });
    menu->addSeparator();
    QObject::connect(menu->addAction(tr("Reveal in File Manager")), &QAction::triggered, appDelegate,
                     [appDelegate] { appDelegate->revealSelectedThumbnailsInFinder(appDelegate); });
    QObject::connect(menu->addAction(tr("Move to Trash")), &QAction::triggered, appDelegate,
                     [appDelegate] { appDelegate->deleteSelectedItems(appDelegate); });
    return menu;
}
