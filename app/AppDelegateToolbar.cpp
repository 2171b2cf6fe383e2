#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/Toolbar.h"

#include <QAction>

namespace {

struct ToolbarItemEntry {
    const char *identifier;
    const char *imageName;
    const char *label;
    const char *toolTip;
};

// In the order of the allowed list. The texts are translated where the items are made.
constexpr ToolbarItemEntry kToolbarItems[] = {
    {"Open", "toolbar-open", QT_TRANSLATE_NOOP("AppDelegate", "Open Folder"),
     QT_TRANSLATE_NOOP("AppDelegate", "Open a folder containing images")},
    {"Refresh", "toolbar-refresh", QT_TRANSLATE_NOOP("AppDelegate", "Refresh"),
     QT_TRANSLATE_NOOP("AppDelegate", "Refresh selected folder")},
    {"Delete", "toolbar-delete", QT_TRANSLATE_NOOP("AppDelegate", "Move to Trash"),
     QT_TRANSLATE_NOOP("AppDelegate", "Move selected items to Trash")},
    {"Reveal", "toolbar-reveal", QT_TRANSLATE_NOOP("AppDelegate", "Reveal"),
     QT_TRANSLATE_NOOP("AppDelegate", "Reveal selected items in File Manager")},
    {"Slideshow", "toolbar-slideshow", QT_TRANSLATE_NOOP("AppDelegate", "Slideshow"),
     QT_TRANSLATE_NOOP("AppDelegate", "Start/stop slideshow")},
    {"Shuffle", "toolbar-shuffle", QT_TRANSLATE_NOOP("AppDelegate", "Shuffle"),
     QT_TRANSLATE_NOOP("AppDelegate", "Start shuffled slideshow")},
};

} // namespace

void AppDelegate::buildToolbar()
{
    auto *bar = new LMRButtonToolbar(QStringLiteral("MainToolbar"), window);
    bar->setWindowTitle(tr("Toolbar"));
    window->addToolBar(Qt::TopToolBarArea, bar);
    toolbar = bar;
    bar->setDelegate(this);
}

QStringList AppDelegate::toolbarAllowedItemIdentifiers(LMRButtonToolbar *)
{
    QStringList identifiers;
    for (const ToolbarItemEntry &entry : kToolbarItems)
        identifiers.append(QString::fromLatin1(entry.identifier));
    identifiers << LMRToolbarItemIdentifier::Space << LMRToolbarItemIdentifier::FlexibleSpace;
    return identifiers;
}

QStringList AppDelegate::toolbarDefaultItemIdentifiers(LMRButtonToolbar *)
{
    const QString &flexible = LMRToolbarItemIdentifier::FlexibleSpace;
    return {flexible,
            QStringLiteral("Open"),
            QStringLiteral("Refresh"),
            flexible,
            QStringLiteral("Delete"),
            QStringLiteral("Reveal"),
            flexible,
            QStringLiteral("Slideshow"),
            QStringLiteral("Shuffle"),
            flexible};
}

LMRButtonToolbarItem *AppDelegate::toolbarItemForItemIdentifier(LMRButtonToolbar *toolbar, const QString &identifier,
                                                                bool)
{
    // The toolbar's buttons run the very actions of the menus.
    const QHash<QString, QAction *> actions{
        {QStringLiteral("Open"), openMenuItem},
        {QStringLiteral("Refresh"), refreshMenuItem},
        {QStringLiteral("Delete"), deleteMenuItem},
        {QStringLiteral("Reveal"), revealMenuItem},
        {QStringLiteral("Slideshow"), startSlideshowMenuItem},
        {QStringLiteral("Shuffle"), startShuffledSlideshowMenuItem},
    };
    for (const ToolbarItemEntry &entry : kToolbarItems) {
        if (identifier != QLatin1String(entry.identifier))
            continue;
        auto *item = new LMRButtonToolbarItem(identifier, QString::fromLatin1(entry.imageName), this,
                                              actions.value(identifier), tr(entry.toolTip));
        item->setLabel(tr(entry.label));
        item->setPaletteLabel(tr(entry.label));
        item->setSizeMode(toolbar ? toolbar->sizeMode() : int(LMRButtonToolbar::SizeModeRegular));
        item->setDelegate(this);
        if (identifier == QLatin1String("Slideshow"))
            slideshowToolbarItem = item;
        return item;
    }
    return nullptr;
}

bool AppDelegate::validateToolbarItem(LMRButtonToolbarItem *item)
{
    return validateAction(item ? item->action() : nullptr);
}
