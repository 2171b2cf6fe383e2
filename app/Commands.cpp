// The commands of the menus and toolbar that belong to no other concern, and the one table that
// says which command may run now. Menus, toolbar buttons and keyboard shortcuts all ask it, so
// a command is enabled or disabled alike wherever it appears.

#include "app/AppDelegate.h"

#include "app/AboutBox.h"
#include "app/MainWindow.h"
#include "app/Toolbar.h"
#include "grid/ImageCollectionView.h"
#include "platform/FileManagerReveal.h"
#include "platform/RecentFiles.h"
#include "platform/RecentFolders.h"
#include "prefs/Preferences.h"
#include "prefs/PreferencesWindowController.h"
#include "viewer/FullSizeView.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

namespace {

// Entries of the Open Recent menu.
constexpr int kRecentFolderCount = 10;

// Passes the moments a watched object gains or loses a child to a callback: the split view
// swapping grid and viewer, the delegate making or dropping the slideshow's timer.
class ChildChangeWatcher : public QObject
{
public:
    ChildChangeWatcher(QObject *parent, std::function<void()> callback)
        : QObject(parent)
        , m_callback(std::move(callback))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved)
            m_callback();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_callback;
};

} // namespace

// --- Validation

bool AppDelegate::validateAction(QAction *action)
{
    if (!action)
        return true;
    const QString name = action->objectName();
    const bool fullSizeViewShown = splitView && fullSizeView && splitView->indexOf(fullSizeView) >= 0;
    const bool gridShown = splitView && thumbnailsSuperview && splitView->indexOf(thumbnailsSuperview) >= 0;
    const bool gridSelection = thumbnailsCollectionView && !thumbnailsCollectionView->selection().isEmpty();

    if (name == QLatin1String("revealSelectedThumbnailsInFinder") || name == QLatin1String("deleteSelectedItems"))
        return fullSizeViewShown || gridSelection;
    if (name == QLatin1String("didDoubleClickOutlineView")) {
        const QItemSelectionModel *selection = sidebarOutlineView ? sidebarOutlineView->selectionModel() : nullptr;
        return selection && selection->hasSelection();
    }
    if (name == QLatin1String("openEnclosingFolder"))
        return sidebarNavHistory.size() > 1;
    if (name == QLatin1String("startSlideshow"))
        return !thumbnailItems.empty();
    if (name == QLatin1String("startShuffledSlideshow"))
        return !thumbnailItems.empty() && !isSlideshowActive();
    if (name == QLatin1String("copy") || name == QLatin1String("copyFilenameOnly"))
        return (gridShown && gridSelection) || fullSizeViewShown;
    if (name == QLatin1String("selectAll"))
        return gridShown && !thumbnailItems.empty();
    return true;
}

bool AppDelegate::validateMenuItem(QAction *action)
{
    if (!action)
        return true;
    const Preferences &preferences = Preferences::sharedInstance();
    auto check = [action](const QPointer<QAction> &outlet, bool on) {
        if (outlet && outlet == action)
            action->setChecked(on);
    };
    auto title = [action](const QPointer<QAction> &outlet, const QString &text) {
        if (outlet && outlet == action)
            action->setText(text);
    };
    const qint64 thumbnailSortBy = preferences.thumbnailSortBy();
    const qint64 thumbnailSortOrder = preferences.thumbnailSortOrder();
    const qint64 sidebarSortBy = preferences.sidebarSortBy();
    const qint64 sidebarSortOrder = preferences.sidebarSortOrder();
    check(sortThumbnailsByNameMenuItem, thumbnailSortBy == 1);
    check(sortThumbnailsByCreationDateMenuItem, thumbnailSortBy == 2);
    check(sortThumbnailsByModificationDateMenuItem, thumbnailSortBy == 3);
    check(sortThumbnailsByFileSizeMenuItem, thumbnailSortBy == 4);
    // Any other stored order sorts descending but checks neither: the menu shows what is stored.
    check(sortThumbnailsAscendingMenuItem, thumbnailSortOrder == 1);
    check(sortThumbnailsDescendingMenuItem, thumbnailSortOrder == 2);
    check(sortSidebarByNameMenuItem, sidebarSortBy == 1);
    check(sortSidebarByCreationDateMenuItem, sidebarSortBy == 2);
    check(sortSidebarByModificationDateMenuItem, sidebarSortBy == 3);
    check(sortSidebarAscendingMenuItem, sidebarSortOrder == 1);
    check(sortSidebarDescendingMenuItem, sidebarSortOrder == 2);
    check(folderDepth0MenuItem, preferences.folderDepth() == 0);
    check(folderDepthUnlimitedMenuItem, preferences.folderDepth() == -1);
    title(showSidebarMenuItem, preferences.showSidebar() ? tr("Hide Sidebar") : tr("Show Sidebar"));
    title(showBottomBarMenuItem, preferences.showBottomBar() ? tr("Hide Bottom Bar") : tr("Show Bottom Bar"));
    title(showFilenamesMenuItem, preferences.showFilenames() ? tr("Hide File Names") : tr("Show File Names"));
    title(startSlideshowMenuItem, isSlideshowActive() ? tr("Stop Slideshow") : tr("Start Slideshow"));
    return validateAction(action);
}

void AppDelegate::validateCommands()
{
    for (const QPointer<QAction> &action : std::as_const(m_commandActions)) {
        if (action)
            action->setEnabled(validateMenuItem(action));
    }
    if (toolbar)
        toolbar->validateVisibleItems();
}

void AppDelegate::scheduleCommandValidation()
{
    if (!m_commandValidationTimer) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("commandValidationTimer"));
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &AppDelegate::validateCommands);
        m_commandValidationTimer = timer;
    }
    if (!m_commandValidationTimer->isActive())
        m_commandValidationTimer->start(0);
}

// What the table reads changes in other folders' code; rather than each of them remembering to
// ask, the moments are observed here. The list and the grid's selection both pass through the
// count label (ThumbnailCountLabel.cpp), which schedules a validation itself.
void AppDelegate::observeCommandState()
{
    const auto schedule = [this] { scheduleCommandValidation(); };
    // The viewer taking the grid's pane and giving it back.
    if (splitView)
        splitView->installEventFilter(new ChildChangeWatcher(this, schedule));
    // The slideshow's timer coming and going with the show, and its title changing with it.
    // The watcher is made first, so it does not see itself arrive.
    installEventFilter(new ChildChangeWatcher(this, schedule));
    if (startSlideshowMenuItem)
        connect(startSlideshowMenuItem, &QAction::changed, this, schedule);
    // The navigation history behind the sidebar's pop-up.
    if (sidebarNavPopUpButton && sidebarNavPopUpButton->model()) {
        QAbstractItemModel *history = sidebarNavPopUpButton->model();
        connect(history, &QAbstractItemModel::rowsInserted, this, schedule);
        connect(history, &QAbstractItemModel::rowsRemoved, this, schedule);
        connect(history, &QAbstractItemModel::modelReset, this, schedule);
    }
    validateCommands();
}

// --- Commands

void AppDelegate::showPreferences(QObject *)
{
    if (!preferencesWindowController) {
        preferencesWindowController = new PreferencesWindowController(this);
        preferencesWindowController->setTransientParent(window);
    }
    preferencesWindowController->showWindow();
}

void AppDelegate::revealSelectedThumbnailsInFinder(QObject *)
{
    QStringList paths;
    const bool fullSizeViewShown = splitView && fullSizeView && splitView->indexOf(fullSizeView) >= 0;
    if (fullSizeViewShown) {
        if (fullSizeItemIndex < thumbnailItems.size())
            paths.append(thumbnailItems[size_t(fullSizeItemIndex)]->path());
    } else if (thumbnailsCollectionView) {
        for (qint64 index : thumbnailsCollectionView->selection()) {
            if (index >= 0 && quint64(index) < thumbnailItems.size())
                paths.append(thumbnailItems[size_t(index)]->path());
        }
    }
    if (!paths.isEmpty())
        LMRFileManagerReveal::showItems(paths);
}

void AppDelegate::showLumoryWebsite(QObject *)
{
    QDesktopServices::openUrl(LMRWebsiteURL());
}

void AppDelegate::showAboutBox(QObject *)
{
    if (!aboutBox)
        aboutBox = new LMRAboutBox(window);
    aboutBox->show();
    aboutBox->raise();
    aboutBox->activateWindow();
}

void AppDelegate::selectAll(QObject *)
{
    const bool gridShown = splitView && thumbnailsSuperview && splitView->indexOf(thumbnailsSuperview) >= 0;
    if (gridShown && thumbnailsCollectionView)
        thumbnailsCollectionView->selectAll();
}

void AppDelegate::copy(QObject *)
{
    const bool fullSizeViewShown = splitView && fullSizeView && splitView->indexOf(fullSizeView) >= 0;
    if (fullSizeViewShown) {
        fullSizeView->copy();
        return;
    }
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->copy();
}

void AppDelegate::copyFilenameOnly(QObject *)
{
    const bool fullSizeViewShown = splitView && fullSizeView && splitView->indexOf(fullSizeView) >= 0;
    if (fullSizeViewShown) {
        fullSizeView->copyFilenameOnly();
        return;
    }
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->copyFilenameOnly();
}

// --- Open Recent

void AppDelegate::updateOpenRecentMenu()
{
    if (!openRecentMenu)
        return;
    openRecentMenu->clear();
    LMRRecentFiles::waitForPendingNotes();
    const QStringList folders = LMRRecentFolders(kRecentFolderCount);
    for (const QString &folder : folders) {
        const QString name = QFileInfo(folder).fileName();
        QAction *entry = openRecentMenu->addAction(name.isEmpty() ? folder : name);
        entry->setToolTip(folder);
        entry->setData(folder);
        connect(entry, &QAction::triggered, this, [this, folder] { openRecentFolder(folder); });
    }
    if (folders.isEmpty())
        openRecentMenu->addAction(tr("No Recent Folders"))->setEnabled(false);
}

void AppDelegate::openRecentFolder(const QString &folderPath)
{
    const QFileInfo info(folderPath);
    if (!info.exists() || !info.isDir())
        return;
    replaceOpenFolderViewWithSidebarView();
    stopAccessingRestoredSidebarRootFolder();
    sidebarNavHistory.clear();
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    QMetaObject::invokeMethod(this, [this, path] { setSidebarRootURL(path); }, Qt::QueuedConnection);
}
