#include "app/ContextMenus.h"

#include "app/AppDelegate.h"
#include "grid/ImageCollectionView.h"

#include <QCoreApplication>
#include <QMenu>

QMenu *LMRBuildThumbnailContextMenu(AppDelegate *appDelegate, ImageCollectionView *grid)
{
    auto *menu = new QMenu(grid);
    menu->setObjectName(QStringLiteral("itemPopUpMenu"));

    auto *openWith = new QMenu(QCoreApplication::translate("ContextMenus", "Open With"), menu);
    QAction *openWithEntry = menu->addMenu(openWith);
    openWithEntry->setData(-1);

    // The window's own commands, so that the menu bar's enabling rules and shortcuts hold here too.
    menu->addSeparator();
    menu->addAction(appDelegate->copyMenuItem);
    menu->addAction(appDelegate->copyFilenameOnlyMenuItem);
    menu->addSeparator();
    menu->addAction(appDelegate->revealMenuItem);
    menu->addAction(appDelegate->deleteMenuItem);
    QObject::connect(menu, &QMenu::aboutToShow, appDelegate, [appDelegate, menu] {
        for (QAction *action : menu->actions())
            if (!action->isSeparator() && !action->menu())
                action->setEnabled(appDelegate->validateMenuItem(action));
    });
    return menu;
}
