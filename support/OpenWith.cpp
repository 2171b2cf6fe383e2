#include "support/OpenWith.h"

#include "platform/Applications.h"
#include "sidebar/ErrorSheet.h"

#include <QAction>
#include <QMenu>

QMenu *LMROpenWithSubmenu(QMenu *menu)
{
    if (!menu)
        return nullptr;
    for (QAction *action : menu->actions()) {
        bool isInt = false;
        if (action->menu() && action->data().toInt(&isInt) == -1 && isInt)
            return action->menu();
    }
    return nullptr;
}

void LMROpenFilesWithApplication(QWidget *window, const QString &applicationIdentifier,
                                 const QStringList &paths)
{
    if (applicationIdentifier.isEmpty() || paths.isEmpty())
        return;
    QString error;
    if (!LMRLaunchApplication(applicationIdentifier, paths, &error))
        LMRErrorSheet::show(window, error);
}
