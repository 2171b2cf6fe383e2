// The thumbnail list of AppDelegate: taking the batches of a directory walk, filtering them by
// type, re-sorting while a large folder fills, keeping the selection, the keyboard anchor and the
// viewer's item on their items whenever the list changes order, and the settings that change
// what the list shows (folder depth, file names, sort options).

#include "app/AppDelegate.h"

#include "app/BusyIndicator.h"
#include "browse/ThumbnailSort.h"
#include "browse/ThumbnailTypeFilter.h"
#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "prefs/Preferences.h"
#include "support/DebugWindowController.h"
#include "support/Log.h"
#include "viewer/FullSizeView.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QItemSelectionModel>
#include <QTreeView>

#include <cstring>
#include <unordered_set>

namespace {

// Re-sorting is held back until this many items arrived since the last sort: a sort per batch
// would make listing a large folder quadratic.
constexpr quint64 kItemsBetweenSorts = 1000;

// Up to this many selected items are found again by a search of the list each; more take one
// pass over the list with a set of their hashes.
constexpr qint64 kSelectionSearchLimit = 8;

// The item of the selected sidebar row, or null when no row is selected (the root is shown).
LMRItemPtr selectedSidebarItem(AppDelegate &app)
{
    if (!app.sidebarOutlineView || !app.sidebarOutlineView->selectionModel())
        return nullptr;
    const QModelIndexList rows = app.sidebarOutlineView->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return app.outlineViewChildOfItem(rows.first().row(), nullptr);
}

} // namespace

void AppDelegate::didReceiveItemsFromDirectoryEnumerationThread(const LMRDirectoryEnumerationMessage &message)
{
    if (!message.thread)
        return;
    if (message.thread == sidebarEnumerationThread) {
        didReceiveSidebarItems(message);
        return;
    }
    if (didReceiveFolderMergeWalkItems(message))
        return;
    // A cancelled or replaced walk may still be sending; only the current one fills the list.
    if (message.thread != thumbnailEnumerationThread)
        return;

    watchListedFolders(message.items);
    if (!message.items.empty())
        addThumbnails(message.items);
    if (!message.done)
        return;
    const std::shared_ptr<LMRDirectoryEnumerationThread> walk = std::exchange(thumbnailEnumerationThread, nullptr);
    if (message.error != 0)
        showFolderProblem(walk->path(), message.error);
    sortThumbnails();
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->reloadData();
    if (thumbnailLoadingSpinner) {
        thumbnailLoadingSpinner->hide();
        thumbnailLoadingSpinner->stopAnimation();
    }
    queueLoadForVisibleThumbnails();
    showFileToShowWhenListed();
}

void AppDelegate::addThumbnails(const std::vector<LMRImageItemPtr> &items)
{
    const LMRThumbnailTypeFilter filter;
    const size_t first = thumbnailItems.size();
    for (const LMRImageItemPtr &item : items)
        if (item && filter.accepts(*item))
            thumbnailItems.push_back(item);
    const size_t added = thumbnailItems.size() - first;

    if (added > 0) {
        setThumbnailCount(thumbnailItems.size());
        if (thumbnailsCollectionView) {
            std::vector<qint64> indices(added);
            for (size_t i = 0; i < added; ++i)
                indices[i] = qint64(first + i);
            thumbnailsCollectionView->reloadItemsAtIndexPaths(indices);
        }
        countSinceLastSort += added;
        bool screenChanged = false;
        if (countSinceLastSort > kItemsBetweenSorts) {
            sortThumbnails();
            countSinceLastSort = 0;
            screenChanged = true;
        } else if (thumbnailsCollectionView) {
            const LMRIndexRange visible = thumbnailsCollectionView->visibleItemsRange();
            screenChanged = qint64(first) < visible.location + visible.length;
        }
        // Items appended below the screen change nothing on it: queueing again would only
        // look up the same cells and retry files that just failed, once a batch while a large
        // folder lists.
        if (screenChanged)
            queueLoadForVisibleThumbnails();
    }
    if (DebugWindowController *debug = DebugWindowController::sharedInstance())
        debug->setContentItemsCount(qint64(thumbnailItems.size()));
}

void AppDelegate::cancelThumbnailEnumerationThread()
{
    // Forgotten before it is cancelled, so that none of its remaining messages is taken.
    if (const auto thread = std::exchange(thumbnailEnumerationThread, nullptr))
        thread->cancel();
}

void AppDelegate::sortThumbnails()
{
    const Preferences &preferences = Preferences::sharedInstance();
    const qint64 sortBy = preferences.thumbnailSortBy();
    const qint64 sortOrder = preferences.thumbnailSortOrder();
    changeThumbnailItems([&] {
        // Logged once a sort rather than once a comparison: a list of 100,000 would otherwise
        // write millions of lines while the window stands still.
        if (!LMRThumbnailSort::sortItems(thumbnailItems, sortBy, sortOrder, &thumbnailSortedHead))
            LMRLog(QStringLiteral("unknown sort by: %1").arg(sortBy));
    });
}

void AppDelegate::changeThumbnailItems(const std::function<void()> &change)
{
    const auto itemAt = [this](qint64 index) {
        return index >= 0 && quint64(index) < thumbnailItems.size() ? thumbnailItems[size_t(index)] : nullptr;
    };
    ImageCollectionView *grid = thumbnailsCollectionView;
    std::vector<LMRImageItemPtr> selectedItems;
    LMRImageItemPtr anchor;
    if (grid) {
        selectedItems.reserve(size_t(grid->selection().count()));
        for (qint64 index : grid->selection())
            if (const LMRImageItemPtr item = itemAt(index))
                selectedItems.push_back(item);
        anchor = itemAt(grid->lastSelectedIndex());
    }
    // The items on screen before the change, to tell whether it left them where they were.
    const size_t countBefore = thumbnailItems.size();
    const LMRIndexRange screen = grid ? grid->visibleItemsRange() : LMRIndexRange{};
    std::vector<LMRImageItemPtr> screenItems;
    screenItems.reserve(size_t(screen.length));
    for (qint64 index = screen.location; index < screen.location + screen.length; ++index)
        screenItems.push_back(itemAt(index));
    const bool viewerShown = isFullSizeViewShown();
    const LMRImageItemPtr shown = viewerShown ? itemAt(qint64(fullSizeItemIndex)) : nullptr;

    change();

    // Every command of the viewer, its arrows and their enabled state go by this index.
    if (shown) {
        const qsizetype index = LMRIndexOfItem(thumbnailItems, shown);
        if (index >= 0)
            fullSizeItemIndex = quint64(index);
    }
    if (viewerShown)
        validateFullSizeNavigationControl();
    scheduleCommandValidation();
    if (!grid)
        return;

    LMRIndexSet selection;
    if (qint64(selectedItems.size()) <= kSelectionSearchLimit) {
        for (const LMRImageItemPtr &item : selectedItems) {
            const qsizetype index = LMRIndexOfItem(thumbnailItems, item);
            if (index >= 0)
                selection.insert(index);
        }
    } else {
        // One pass for the whole selection; each hash takes the first equal item's index.
        std::unordered_set<quint64> wanted;
        wanted.reserve(selectedItems.size());
        for (const LMRImageItemPtr &item : selectedItems)
            wanted.insert(item->storedHash());
        for (size_t i = 0; i < thumbnailItems.size() && !wanted.empty(); ++i)
            if (wanted.erase(thumbnailItems[i]->storedHash()) > 0)
                selection.insert(qint64(i));
    }
    // Return, the arrows and Shift ranges start from the anchor: it stays on its item too.
    const qsizetype anchorIndex = anchor ? LMRIndexOfItem(thumbnailItems, anchor) : -1;
    bool sameItemsOnScreen = thumbnailItems.size() == countBefore;
    for (size_t i = 0; sameItemsOnScreen && i < screenItems.size(); ++i)
        sameItemsOnScreen = itemAt(screen.location + qint64(i)) == screenItems[i];
    grid->replaceSelection(selection, anchorIndex >= 0 ? qint64(anchorIndex) : LMRNotFound, sameItemsOnScreen);
}

void AppDelegate::updateFolderDepthUI()
{
    const qint64 depth = Preferences::sharedInstance().folderDepth();
    if (depth != -1 && depth != 0)
        return;
    const bool unlimited = depth == -1;
    if (folderDepthCheckbox)
        folderDepthCheckbox->setChecked(unlimited);
    if (folderDepthUnlimitedMenuItem)
        folderDepthUnlimitedMenuItem->setChecked(unlimited);
    if (folderDepth0MenuItem)
        folderDepth0MenuItem->setChecked(!unlimited);
}

void AppDelegate::updateShowFilenamesUI()
{
    if (!showFilenamesMenuItem)
        return;
    showFilenamesMenuItem->setText(Preferences::sharedInstance().showFilenames() ? tr("Hide File Names")
                                                                                 : tr("Show File Names"));
}

void AppDelegate::didChangeFolderDepth(QObject *sender)
{
    auto *checkbox = qobject_cast<QCheckBox *>(sender);
    if (!checkbox)
        checkbox = folderDepthCheckbox;
    if (checkbox)
        setFolderDepth(checkbox->isChecked() ? -1 : 0);
}

void AppDelegate::setFolderDepthFromMenu(QObject *sender)
{
    auto *action = qobject_cast<QAction *>(sender);
    if (!action)
        return;
    bool ok = false;
    const qint64 depth = action->data().toLongLong(&ok);
    if (ok)
        setFolderDepth(depth);
}

void AppDelegate::setFolderDepth(qint64 depth)
{
    Preferences &preferences = Preferences::sharedInstance();
    if (depth == preferences.folderDepth())
        return;
    preferences.setFolderDepth(depth);
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->deselectAll();
    updateFolderDepthUI();
    const LMRItemPtr selected = selectedSidebarItem(*this);
    showSidebarItem(selected ? selected : sidebarRootFolderItem);
}

void AppDelegate::didChangeThumbnailSortOptions(QObject *sender)
{
    Preferences &preferences = Preferences::sharedInstance();
    // Any other sender stores nothing; the list is sorted again all the same.
    if (auto *action = qobject_cast<QAction *>(sender)) {
        if (action == sortThumbnailsByNameMenuItem)
            preferences.setThumbnailSortBy(LMRThumbnailSort::ByName);
        else if (action == sortThumbnailsByCreationDateMenuItem)
            preferences.setThumbnailSortBy(LMRThumbnailSort::ByCreationDate);
        else if (action == sortThumbnailsByModificationDateMenuItem)
            preferences.setThumbnailSortBy(LMRThumbnailSort::ByModificationDate);
        else if (action == sortThumbnailsByFileSizeMenuItem)
            preferences.setThumbnailSortBy(LMRThumbnailSort::ByFileSize);
        else if (action == sortThumbnailsAscendingMenuItem)
            preferences.setThumbnailSortOrder(LMRThumbnailSort::Ascending);
        else if (action == sortThumbnailsDescendingMenuItem)
            preferences.setThumbnailSortOrder(LMRThumbnailSort::Descending);
    }
    sortThumbnails();
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->reloadData();
    queueLoadForVisibleThumbnails();
}

void AppDelegate::showFilenames(QObject *)
{
    Preferences &preferences = Preferences::sharedInstance();
    // The grid relays itself out on the preference's notification, before the queueing below
    // asks it what is visible.
    preferences.setShowFilenames(!preferences.showFilenames());
    updateShowFilenamesUI();
    queueLoadForVisibleThumbnails();
}

void AppDelegate::didChangeHighQualityThumbnailsPref()
{
    LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
    scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds(0));
}

void AppDelegate::didChangeDisplayColorProfile()
{
    LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
    scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds(0));
    if (fullSizeView)
        fullSizeView->colorProfileDidChange();
}

void AppDelegate::showFolderProblem(const QString &folderPath, int error)
{
    if (!folderProblemLabel)
        return;
    if (folderPath.isEmpty()) {
        folderProblemLabel->hide();
        folderProblemLabel->clear();
        return;
    }
    const QString name = QFileInfo(folderPath).fileName();
    folderProblemLabel->setText(tr("The folder “%1” cannot be read: %2.")
                                    .arg(name.isEmpty() ? folderPath : name,
                                         QString::fromLocal8Bit(std::strerror(error))));
    folderProblemLabel->setToolTip(folderPath);
    folderProblemLabel->show();
}

void AppDelegate::refresh(QObject *)
{
    const LMRItemPtr selected = selectedSidebarItem(*this);
    if (!selected) {
        if (sidebarRootFolderItem)
            setSidebarRootURL(sidebarRootFolderItem->path());
    } else if (displayedSidebarItem) {
        showSidebarItem(displayedSidebarItem);
    }
}
