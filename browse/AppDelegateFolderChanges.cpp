// The shown folder kept current while others change it: a new file joins the list in its
// sorted place once it has stopped growing, a removed one leaves it (with the selection rule of
// a deletion when it was selected or on show), a changed one is thumbnailed again, and the shown
// folder going away is reported like a folder that cannot be read. Everything here runs on the
// main thread, from the watcher's events and a timer.

#include "app/AppDelegate.h"

#include "browse/FolderChanges.h"
#include "browse/ThumbnailTypeFilter.h"
#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "prefs/Preferences.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unordered_set>
#include <sys/stat.h>

namespace {

bool isHiddenName(const QString &path)
{
    return QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1).startsWith(QLatin1Char('.'));
}

bool isBelow(const QString &path, const QString &folder)
{
    return path.size() > folder.size() + 1 && path.startsWith(folder) && path[folder.size()] == QLatin1Char('/');
}

bool sameFacts(const LMRFileSystemItem &a, const LMRFileSystemItem &b)
{
    return a.size() == b.size() && a.modificationNs() == b.modificationNs();
}

} // namespace

LMRFolderChanges::Observed LMRFolderChanges::observe(const QString &path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {true, qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void AppDelegate::watchShownFolder()
{
    if (!folderChanges) {
        folderChanges = std::make_unique<LMRFolderChanges>();
        LMRFolderChanges &changes = *folderChanges;
        changes.clock.start();
        changes.timer.setInterval(LMRFolderChanges::kTick);
        connect(&changes.timer, &QTimer::timeout, this, &AppDelegate::applySettledFolderChanges);
        connect(&changes.watcher, &LMRFolderWatcher::entryChanged, this, &AppDelegate::didChangeFolderEntry);
        connect(&changes.watcher, &LMRFolderWatcher::entryRemoved, this, &AppDelegate::didRemoveFolderEntry);
        connect(&changes.watcher, &LMRFolderWatcher::folderRemoved, this, &AppDelegate::didRemoveWatchedFolder);
        connect(&changes.watcher, &LMRFolderWatcher::eventsLost, this, [this] {
            if (folderChanges && !folderChanges->shownFolder.isEmpty())
                startFolderMergeWalk(folderChanges->shownFolder, true);
        });
    }
    LMRFolderChanges &changes = *folderChanges;
    changes.watcher.unwatchAll();
    changes.pending.clear();
    changes.timer.stop();
    for (const LMRFolderChanges::MergeWalk &walk : changes.walks)
        walk.thread->cancel();
    changes.walks.clear();
    changes.shownFolder.clear();
    if (!displayedSidebarItem || !displayedSidebarItem->hasDirectoryPath())
        return;
    changes.shownFolder = displayedSidebarItem->path();
    changes.subFolders = Preferences::sharedInstance().folderDepth() != 0;
    // Watched before the walk reads it: what changes while it lists is not missed.
    changes.watcher.watch(changes.shownFolder);
}

void AppDelegate::watchListedFolders(const std::vector<LMRImageItemPtr> &items)
{
    if (!folderChanges || !folderChanges->subFolders)
        return;
    LMRFolderChanges &changes = *folderChanges;
    for (const LMRImageItemPtr &item : items) {
        // Packages are listed but never entered, and a link leads outside the shown tree.
        if (item && item->isDirectory() && isBelow(item->path(), changes.shownFolder)
            && !LMRDirectoryEnumerationThread::isPackageName(item->name()))
            changes.watcher.watch(item->path());
    }
}

void AppDelegate::didChangeFolderEntry(const QString &path, bool isDirectory, LMRFolderWatcher::Change change)
{
    if (!folderChanges || isHiddenName(path))
        return;
    LMRFolderChanges &changes = *folderChanges;
    if (isDirectory) {
        // A folder that appeared below the shown one is listed when sub-folders are included.
        if (changes.subFolders && !LMRDirectoryEnumerationThread::isPackageName(QFileInfo(path).fileName())
            && !changes.watcher.isWatching(path) && changes.watcher.watch(path))
            startFolderMergeWalk(path, false);
        return;
    }
    LMRFolderChanges::Pending &pending = changes.pending[path];
    pending.changedAtNs = changes.clock.nsecsElapsed();
    pending.last = LMRFolderChanges::observe(path);
    if (change == LMRFolderWatcher::Change::Written)
        pending.open = true;
    else if (change == LMRFolderWatcher::Change::Closed)
        pending.open = false;
    if (!changes.timer.isActive())
        changes.timer.start();
}

void AppDelegate::didRemoveFolderEntry(const QString &path, bool isDirectory)
{
    if (!folderChanges)
        return;
    if (isDirectory) {
        didRemoveWatchedFolder(path);
        return;
    }
    // Looked at once it has settled like any change: a file deleted and written again at once
    // (as some programs save) is a changed file, not one that left and came back.
    didChangeFolderEntry(path, false, LMRFolderWatcher::Change::Closed);
}

void AppDelegate::didRemoveWatchedFolder(const QString &folder)
{
    if (!folderChanges)
        return;
    LMRFolderChanges &changes = *folderChanges;
    if (folder == changes.shownFolder) {
        didRemoveShownFolder();
        return;
    }
    changes.watcher.unwatchTree(folder);
    std::vector<LMRImageItemPtr> gone;
    for (const LMRImageItemPtr &item : thumbnailItems)
        if (isBelow(item->path(), folder))
            gone.push_back(item);
    applyFolderChanges(gone, {}, {});
}

void AppDelegate::didRemoveShownFolder()
{
    const QString shown = folderChanges ? folderChanges->shownFolder : QString();
    watchShownFolder();      // forgets every watch, waiting change and walk
    if (folderChanges)
        folderChanges->shownFolder.clear();
    cancelThumbnailEnumerationThread();
    // Its files are no longer where the list says: the window shows what a folder that cannot
    // be read shows, and nothing else (the root, its history, the settings) is touched.
    cancelFullSizeView(this);
    if (thumbnailLoading) {
        std::lock_guard<std::mutex> guard(thumbnailLoading->pendingThumbnailLoadsLock);
        thumbnailLoading->pendingThumbnailLoads.clear();
    }
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->deselectAll();
    thumbnailItems.clear();
    thumbnailSortedHead = {};
    countSinceLastSort = 0;
    setThumbnailCount(0);
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->reloadData();
    showFolderProblem(shown, ENOENT);
}

void AppDelegate::startFolderMergeWalk(const QString &folder, bool reconcile)
{
    if (!folderChanges)
        return;
    auto walk = LMRDirectoryEnumerationThread::create(this, folderChanges->subFolders ? -1 : 0, folder);
    folderChanges->walks.push_back({walk, folder, reconcile, {}});
    walk->start();
}

bool AppDelegate::didReceiveFolderMergeWalkItems(const LMRDirectoryEnumerationMessage &message)
{
    if (!folderChanges)
        return false;
    std::vector<LMRFolderChanges::MergeWalk> &walks = folderChanges->walks;
    const auto found = std::find_if(walks.begin(), walks.end(), [&](const LMRFolderChanges::MergeWalk &walk) {
        return walk.thread == message.thread;
    });
    if (found == walks.end())
        return false;
    watchListedFolders(message.items);
    found->items.insert(found->items.end(), message.items.begin(), message.items.end());
    if (!message.done)
        return true;
    const LMRFolderChanges::MergeWalk walk = std::move(*found);
    walks.erase(found);

    // Taken against the list as it is now: the files the walk saw that are not listed, or
    // listed with other facts, and with a reconciling walk what is listed but was not seen.
    QHash<quint64, LMRImageItemPtr> seen;
    for (const LMRImageItemPtr &item : walk.items)
        if (item && !item->isDirectory())
            seen.insert(item->storedHash(), item);
    std::vector<LMRImageItemPtr> removed, changed;
    for (const LMRImageItemPtr &listed : thumbnailItems) {
        if (!isBelow(listed->path(), walk.folder))
            continue;
        const auto it = seen.constFind(listed->storedHash());
        if (it == seen.constEnd()) {
            if (walk.reconcile)
                removed.push_back(listed);
        } else {
            if (!sameFacts(*listed, **it))
                changed.push_back(*it);
            seen.remove(listed->storedHash());
        }
    }
    const LMRThumbnailTypeFilter filter;
    std::vector<LMRImageItemPtr> added;
    for (const LMRImageItemPtr &item : walk.items)
        if (item && seen.contains(item->storedHash()) && filter.accepts(*item))
            added.push_back(item);
    applyFolderChanges(removed, changed, added);
    return true;
}

void AppDelegate::applySettledFolderChanges()
{
    if (!folderChanges)
        return;
    LMRFolderChanges &changes = *folderChanges;
    if (changes.pending.isEmpty()) {
        changes.timer.stop();
        return;
    }
    // While the shown folder is being listed the walk picks up what is there; what is still
    // waiting is looked at against the whole list once it has ended.
    if (thumbnailEnumerationThread)
        return;

    const qint64 now = changes.clock.nsecsElapsed();
    const qint64 settle = std::chrono::nanoseconds(LMRFolderChanges::kSettle).count();
    const qint64 openSettle = std::chrono::nanoseconds(LMRFolderChanges::kOpenSettle).count();
    QStringList settled;
    for (auto it = changes.pending.begin(); it != changes.pending.end(); ++it) {
        const LMRFolderChanges::Observed seen = LMRFolderChanges::observe(it.key());
        if (!(seen == it->last)) {
            it->last = seen;
            it->changedAtNs = now;
        } else if (now - it->changedAtNs >= (it->open && seen.isFile ? openSettle : settle)) {
            settled.append(it.key());
        }
    }
    if (settled.isEmpty())
        return;

    QHash<QString, qsizetype> listedAt;
    listedAt.reserve(qsizetype(thumbnailItems.size()));
    for (size_t i = 0; i < thumbnailItems.size(); ++i)
        listedAt.insert(thumbnailItems[i]->path(), qsizetype(i));
    const LMRThumbnailTypeFilter filter;
    std::vector<LMRImageItemPtr> removed, changed, added;
    for (const QString &path : settled) {
        const LMRFolderChanges::Pending pending = changes.pending.take(path);
        const qsizetype index = listedAt.value(path, -1);
        if (!pending.last.isFile) {
            if (index >= 0)
                removed.push_back(thumbnailItems[size_t(index)]);
            continue;
        }
        auto item = std::make_shared<LMRFileSystemImageItem>(path);
        if (index >= 0) {
            if (!sameFacts(*thumbnailItems[size_t(index)], *item))
                changed.push_back(std::move(item));
        } else if (filter.accepts(*item)) {
            added.push_back(std::move(item));
        }
    }
    if (changes.pending.isEmpty())
        changes.timer.stop();
    applyFolderChanges(removed, changed, added);
}

void AppDelegate::applyFolderChanges(const std::vector<LMRImageItemPtr> &removed,
                                     const std::vector<LMRImageItemPtr> &changed,
                                     const std::vector<LMRImageItemPtr> &added)
{
    if (removed.empty() && changed.empty() && added.empty())
        return;
    ImageCollectionView *grid = thumbnailsCollectionView;

    if (!removed.empty()) {
        std::unordered_set<quint64> gone;
        for (const LMRImageItemPtr &item : removed)
            gone.insert(item->storedHash());
        bool touchesSelection = isFullSizeViewShown() && fullSizeItemIndex < thumbnailItems.size()
            && gone.count(thumbnailItems[size_t(fullSizeItemIndex)]->storedHash());
        if (grid) {
            for (qint64 index : grid->selection())
                if (index >= 0 && quint64(index) < thumbnailItems.size()
                    && gone.count(thumbnailItems[size_t(index)]->storedHash()))
                    touchesSelection = true;
        }
        thumbnailSortedHead = {};
        if (touchesSelection) {
            // The selection (or the viewer) moves on as after the user's own deletion.
            didDeleteItems(removed);
        } else {
            // Nothing shown or selected goes: the selection, its anchor and the viewer stay on
            // their items.
            changeThumbnailItems([&] {
                std::erase_if(thumbnailItems, [&](const LMRImageItemPtr &item) { return gone.count(item->storedHash()); });
            });
        }
    }

    const LMRImageItemPtr shown = isFullSizeViewShown() && fullSizeItemIndex < thumbnailItems.size()
        ? thumbnailItems[size_t(fullSizeItemIndex)] : nullptr;
    if (!changed.empty()) {
        QHash<quint64, LMRImageItemPtr> replacements;
        for (const LMRImageItemPtr &item : changed)
            replacements.insert(item->storedHash(), item);
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        for (LMRImageItemPtr &listed : thumbnailItems) {
            const auto it = replacements.constFind(listed->storedHash());
            if (it == replacements.constEnd())
                continue;
            // The old picture goes: the cell shows its placeholder until the new one is made.
            cache.removeObjectsForPath(listed->path());
            listed = *it;
        }
        // A changed date or size may move the item; the sorted head's keys no longer hold.
        thumbnailSortedHead = {};
    }
    if (!added.empty())
        thumbnailItems.insert(thumbnailItems.end(), added.begin(), added.end());
    if (!changed.empty() || !added.empty())
        sortThumbnails();     // new items merge into their places; the selection follows its items
    if (shown)
        fullSizeItemIndex = quint64(std::max<qsizetype>(0, LMRIndexOfItem(thumbnailItems, shown)));

    if (grid)
        grid->reloadData();
    setThumbnailCount(thumbnailItems.size());
    if (isFullSizeViewShown())
        validateFullSizeNavigationControl();
    queueLoadForVisibleThumbnails();
}
