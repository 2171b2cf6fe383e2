#include "platform/Applications.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

void LMRPopulateOpenWithMenu(QMenu *menu, const QString &mimeType,
                             std::function<void(const QString &identifier)> onChosen)
{
    if (!menu)
        return;
    menu->clear();
    const qreal pixelRatio = menu->devicePixelRatioF();
    for (const LMRApplicationInfo &application : LMRApplicationsForType(mimeType)) {
        // An "&" in a name would otherwise turn the next letter into a mnemonic and vanish.
        QString title = application.displayName;
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction *action = menu->addAction(title);
        if (!application.icon.isNull())
            action->setIcon(QIcon(application.icon.pixmap(QSize(16, 16), pixelRatio)));
        action->setData(application.identifier);
        QObject::connect(action, &QAction::triggered, menu,
                         [onChosen, identifier = application.identifier] {
                             if (onChosen)
                                 onChosen(identifier);
                         });
    }
}

#if !LUMORY_HAVE_GIO
// Without GIO there is no registry of applications to ask: no entries, and nothing to launch.
bool LMRCanOpenWithApplications()
{
    return false;
}

QList<LMRApplicationInfo> LMRApplicationsForType(const QString &)
{
    return {};
}

bool LMRLaunchApplication(const QString &, const QStringList &, QString *error)
{
    if (error)
        *error = QCoreApplication::translate(
            "LMRApplications", "Opening files with another application is not available in this build.");
    return false;
}
#endif
