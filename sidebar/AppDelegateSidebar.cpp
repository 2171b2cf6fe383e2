// The sidebar's operations of AppDelegate: the root folder and its history, the one-level list
// of the root's folders with its sorting, showing a folder's contents in the grid, the sidebar
// pane's visibility, and files dropped onto the list's folders.
//
// All of it runs on the main thread. The only other thread is the root's directory walk, whose
// messages count only while it is still the current sidebarEnumerationThread.

#include "app/AppDelegate.h"
#include "browse/ThumbnailSort.h"

#include "app/BusyIndicator.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "platform/FileManagerReveal.h"
#include "platform/FileTransfer.h"
#include "platform/RecentFiles.h"
#include "prefs/Preferences.h"
#include "sidebar/ErrorSheet.h"
#include "sidebar/OutlineView.h"
#include "support/Log.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSplitter>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

// The width the sidebar pane had when it was hidden, given back when it shows again.
const char *const kPaneWidthProperty = "lmrSidebarPaneWidth";

OutlineView *outlineView(const AppDelegate &delegate)
{
    return qobject_cast<OutlineView *>(delegate.sidebarOutlineView.data());
}

void reloadOutlineView(const AppDelegate &delegate)
{
    if (OutlineView *view = outlineView(delegate))
        view->reloadData();
}

bool sameFolder(const LMRItemPtr &a, const LMRItemPtr &b)
{
    return a && b && a->storedHash() == b->storedHash();
}

// A file system that records no such date gives no order among the undated; they sort before
// the dated ones, so that the comparison stays consistent for the sort.
int compareDates(const std::optional<qint64> &a, const std::optional<qint64> &b)
{
    if (!a || !b)
        return int(bool(a)) - int(bool(b));
    return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

// The entries of a text/uri-list, as given (comments and blank lines left out).
QStringList uriListEntries(const QMimeData *data)
{
    QStringList entries;
    const QString text = QString::fromUtf8(data->data(QStringLiteral("text/uri-list")));
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            entries.append(line);
    }
    return entries;
}

} // namespace

// --- The outline's data source and delegate

qint64 AppDelegate::outlineViewNumberOfChildrenOfItem(const LMRItemPtr &)
{
    return qint64(sidebarItems.size());
}

LMRItemPtr AppDelegate::outlineViewChildOfItem(qint64 index, const LMRItemPtr &)
{
    if (index < 0 || quint64(index) >= sidebarItems.size())
        return nullptr;
    return sidebarItems[size_t(index)];
}

bool AppDelegate::outlineViewIsItemExpandable(const LMRItemPtr &)
{
    return false;
}

void AppDelegate::outlineViewSelectionDidChange()
{
    const OutlineView *view = outlineView(*this);
    const qint64 row = view ? view->selectedRow() : -1;
    const LMRItemPtr item = row >= 0 ? outlineViewChildOfItem(row, nullptr) : sidebarRootFolderItem;
    // After the event that changed the selection, so that a click is handled to its end first.
    QMetaObject::invokeMethod(this, [this, item] { showSidebarItem(item); }, Qt::QueuedConnection);
}

Qt::DropAction AppDelegate::outlineViewValidateDrop(const QMimeData *, const LMRItemPtr &proposedItem,
                                                    Qt::DropAction requested)
{
    // Files dropped onto the folder on show would land where they are being shown from.
    const OutlineView *view = outlineView(*this);
    const qint64 row = view ? view->selectedRow() : -1;
    if (row >= 0 && proposedItem && sameFolder(outlineViewChildOfItem(row, nullptr), proposedItem))
        return Qt::IgnoreAction;
    return requested;
}

bool AppDelegate::outlineViewAcceptDrop(const QMimeData *data, const LMRItemPtr &item, Qt::DropAction action)
{
    const LMRItemPtr target = item ? item : sidebarRootFolderItem;
    if (!data || !target || (action != Qt::CopyAction && action != Qt::MoveAction))
        return false;
    // Decided once for the whole drop: a modifier let go half-way must not split it.
    const bool copy = action == Qt::CopyAction;
    for (const QString &entry : uriListEntries(data)) {
        const QUrl url(entry, QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile()) {
            LMRLog(QStringLiteral("Could not create URL from path \"%1\"").arg(entry));
            return false;
        }
        QString error;
        // A move that could not remove its original reports it too, and stops the drop.
        if (!LMRFileTransfer::transferFile(url.toLocalFile(), target->path(), copy, &error) || !error.isEmpty()) {
            LMRErrorSheet::show(window.data(), error);
            return false;
        }
    }
    return true;
}

// --- The root folder and its history

void AppDelegate::setSidebarRootURL(const QString &folderPath)
{
    const QString path = QDir::cleanPath(folderPath);
    stopSlideshow();

    const bool reachable = !path.isEmpty() && QFileInfo::exists(path);
    if (reachable) {
        auto root = std::make_shared<LMRFileSystemImageItem>(path);
        sidebarRootFolderItem = root;
        // Coming back to the folder at the end of the history replaces it: never the same
        // folder twice in a row.
        if (!sidebarNavHistory.empty() && sidebarNavHistory.back()->path() == root->path())
            sidebarNavHistory.back() = root;
        else
            sidebarNavHistory.push_back(root);
        updateSidebarNavPopUp();
        LMRRecentFiles::noteNewRecentDocument(path);
    }

    replaceOpenFolderViewWithSidebarView();
    if (splitView && sidebarOpenFolderPromptView && splitView->indexOf(sidebarOpenFolderPromptView) >= 0) {
        sidebarOpenFolderPromptView->hide();
        sidebarOpenFolderPromptView->setParent(nullptr);
    }
    if (Preferences::sharedInstance().showSidebar())
        showSidebar();

    showSidebarItem(nullptr);
    sidebarItems.clear();
    reloadOutlineView(*this);
    cancelSidebarEnumerationThread();
    showThumbnailsCollectionView();

    if (splitView && sidebarView && splitView->indexOf(sidebarView) >= 0 && sidebarOutlineView)
        sidebarOutlineView->setFocus(Qt::OtherFocusReason);

    if (!reachable) {
        // A folder of the history, of Open Recent or of a refresh that has gone meanwhile, or
        // one behind a folder that can no longer be entered.
        struct stat info {};
        if (!path.isEmpty())
            showFolderProblem(path, ::stat(QFile::encodeName(path).constData(), &info) != 0 ? errno : ENOENT);
        return;
    }
    // The root's files are listed at once, beside the sidebar's walk of its folders rather than
    // after it: a folder seen before is shown in the time of one walk, not two.
    showSidebarItem(sidebarRootFolderItem);
    sidebarEnumerationThread = LMRDirectoryEnumerationThread::create(this, 0, path);
    // The sidebar keeps folders only, and its walk runs beside the listing of the root's files.
    sidebarEnumerationThread->setFoldersOnly(true);
    sidebarEnumerationThread->start();
    // Written once both walks are under way: the settings file is flushed on every write.
    Preferences::sharedInstance().setDefaultRootFolder(path);
}

void AppDelegate::didReceiveSidebarItems(const LMRDirectoryEnumerationMessage &message)
{
    // A walk that was cancelled or replaced may still have messages on their way.
    if (!message.thread || message.thread != sidebarEnumerationThread)
        return;
    if (!message.items.empty())
        addSidebarItems(message.items);
    if (message.done) {
        sidebarEnumerationThread.reset();
        sortSidebarItems();
        // The root is shown since the walk began, unless a row was chosen meanwhile.
        if (displayedSidebarItem != sidebarRootFolderItem)
            showSidebarItem(sidebarRootFolderItem);
    }
    reloadOutlineView(*this);
}

void AppDelegate::addSidebarItems(const std::vector<LMRImageItemPtr> &items)
{
    for (const LMRImageItemPtr &item : items) {
        if (item && item->hasDirectoryPath())
            sidebarItems.push_back(item);
    }
}

void AppDelegate::cancelSidebarEnumerationThread()
{
    // Forgotten first: from here on no message of it is applied, whatever is still queued.
    if (auto enumeration = std::exchange(sidebarEnumerationThread, nullptr))
        enumeration->cancel();
}

void AppDelegate::sortSidebarItems()
{
    const Preferences &preferences = Preferences::sharedInstance();
    const qint64 sortBy = preferences.sidebarSortBy();
    const bool ascending = preferences.sidebarSortOrder() == 1;
    auto compare = [sortBy](const LMRItemPtr &a, const LMRItemPtr &b) {
        switch (sortBy) {
        case 1:
            return LMRFileSystemItem::compareNames(*a, *b);
        case 2:
            return compareDates(a->creationNs(), b->creationNs());
        case 3:
            return compareDates(a->modificationNs(), b->modificationNs());
        default:
            LMRLog(QStringLiteral("unknown sort by: %1").arg(sortBy));
            return 0;
        }
    };
    std::stable_sort(sidebarItems.begin(), sidebarItems.end(), [&](const LMRItemPtr &a, const LMRItemPtr &b) {
        const int order = compare(a, b);
        return ascending ? order < 0 : order > 0;
    });
}

void AppDelegate::updateSidebarNavPopUp()
{
    if (!sidebarNavPopUpButton)
        return;
    const QSignalBlocker blocker(sidebarNavPopUpButton);
    sidebarNavPopUpButton->clear();
    // The item's index is its history entry's index.
    for (const LMRItemPtr &entry : sidebarNavHistory) {
        const QString title = entry->name().isEmpty() ? entry->path() : entry->name();
        sidebarNavPopUpButton->addItem(title, entry->path());
    }
    sidebarNavPopUpButton->setCurrentIndex(sidebarNavPopUpButton->count() - 1);
}

void AppDelegate::didChangeSidebarNavPopUp(QObject *)
{
    if (!sidebarNavPopUpButton)
        return;
    const int index = sidebarNavPopUpButton->currentIndex();
    if (index < 0 || size_t(index) >= sidebarNavHistory.size())
        return;
    const LMRItemPtr entry = sidebarNavHistory[size_t(index)];
    if (sidebarRootFolderItem && entry->path() == sidebarRootFolderItem->path()) {
        // The same folder earlier in the history is no step anywhere; the pop-up goes on
        // showing where the user is.
        const QSignalBlocker blocker(sidebarNavPopUpButton);
        sidebarNavPopUpButton->setCurrentIndex(sidebarNavPopUpButton->count() - 1);
        return;
    }
    sidebarNavHistory.erase(sidebarNavHistory.begin() + index + 1, sidebarNavHistory.end());
    setSidebarRootURL(entry->path());
}

void AppDelegate::openEnclosingFolder(QObject *sender)
{
    // With a single entry there is no folder before the current one to go to.
    if (!sidebarNavPopUpButton || sidebarNavPopUpButton->count() < 2)
        return;
    sidebarNavPopUpButton->setCurrentIndex(sidebarNavPopUpButton->count() - 2);
    didChangeSidebarNavPopUp(sender);
}

// --- Showing a folder in the grid

void AppDelegate::showSidebarItem(const LMRItemPtr &item)
{
    cancelThumbnailEnumerationThread();
    stopSlideshow();

    if (thumbnailLoading) {
        std::lock_guard<std::mutex> guard(thumbnailLoading->pendingThumbnailLoadsLock);
        thumbnailLoading->pendingThumbnailLoads.clear();
    }
    countSinceLastSort = 0;

    if (thumbnailsCollectionView)
        thumbnailsCollectionView->deselectAll();
    thumbnailItems.clear();
    // The last folder's order says nothing about the next one's.
    thumbnailSortedHead = {};
    setThumbnailCount(0);
    if (thumbnailsCollectionView) {
        thumbnailsCollectionView->deselectAll();
        thumbnailsCollectionView->scrollToBeginningOfDocument();
        thumbnailsCollectionView->reloadData();
    }

    displayedSidebarItem = item;
    // Watched before it is listed, so that nothing changed meanwhile is missed.
    watchShownFolder();
    const bool listed = item && item->hasDirectoryPath();
    if (listed) {
        // Started before the window is brought up to date: its messages wait for this call to
        // return either way, and the walk is the long part of showing a folder.
        const Preferences &preferences = Preferences::sharedInstance();
        thumbnailEnumerationThread = LMRDirectoryEnumerationThread::create(this, preferences.folderDepth(), item->path());
        if (preferences.thumbnailSortBy() == LMRThumbnailSort::ByName)
            thumbnailEnumerationThread->setDeliveryOrder(preferences.thumbnailSortOrder() == LMRThumbnailSort::Descending
                                                             ? LMRDirectoryEnumerationThread::Order::NameDescending
                                                             : LMRDirectoryEnumerationThread::Order::NameAscending);
        thumbnailEnumerationThread->start();
    }
    showFolderProblem(QString(), 0);
    showThumbnailsCollectionView();
    if (listed && thumbnailLoadingSpinner) {
        thumbnailLoadingSpinner->show();
        thumbnailLoadingSpinner->startAnimation();
    }

    if (splitView && sidebarView && splitView->indexOf(sidebarView) >= 0 && sidebarOutlineView)
        sidebarOutlineView->setFocus(Qt::OtherFocusReason);
}

// --- Commands

void AppDelegate::didChangeSidebarSortOptions(QObject *sender)
{
    Preferences &preferences = Preferences::sharedInstance();
    if (sender && sender == sortSidebarByNameMenuItem)
        preferences.setSidebarSortBy(1);
    else if (sender && sender == sortSidebarByCreationDateMenuItem)
        preferences.setSidebarSortBy(2);
    else if (sender && sender == sortSidebarByModificationDateMenuItem)
        preferences.setSidebarSortBy(3);
    else if (sender && sender == sortSidebarAscendingMenuItem)
        preferences.setSidebarSortOrder(1);
    else if (sender && sender == sortSidebarDescendingMenuItem)
        preferences.setSidebarSortOrder(2);
    sortSidebarItems();
    reloadOutlineView(*this);
}

void AppDelegate::didChangeSidebarVisibility(QObject *)
{
    Preferences &preferences = Preferences::sharedInstance();
    if (preferences.showSidebar()) {
        preferences.setShowSidebar(false);
        hideSidebar();
        if (showSidebarMenuItem)
            showSidebarMenuItem->setText(tr("Show Sidebar"));
    } else {
        preferences.setShowSidebar(true);
        showSidebar();
        if (showSidebarMenuItem)
            showSidebarMenuItem->setText(tr("Hide Sidebar"));
    }
}

void AppDelegate::showSidebar()
{
    QWidget *pane = sidebarRootFolderItem ? sidebarView.data() : sidebarOpenFolderPromptView.data();
    if (!splitView || !pane || splitView->indexOf(pane) >= 0)
        return;
    splitView->insertWidget(0, pane);
    pane->show();
    // The sidebar keeps its width when the window is resized; the panes after it take the change.
    for (int i = 0; i < splitView->count(); ++i)
        splitView->setStretchFactor(i, i == 0 ? 0 : 1);
    const int width = pane->property(kPaneWidthProperty).toInt();
    if (width > 0 && splitView->count() == 2) {
        const int total = splitView->sizes().value(0) + splitView->sizes().value(1);
        splitView->setSizes({width, qMax(1, total - width)});
    }
}

void AppDelegate::hideSidebar()
{
    QWidget *pane = sidebarRootFolderItem ? sidebarView.data() : sidebarOpenFolderPromptView.data();
    if (!splitView || !pane || splitView->indexOf(pane) < 0)
        return;
    pane->setProperty(kPaneWidthProperty, pane->width());
    // Out of the split view; the delegate deletes panes without a parent when it goes.
    pane->hide();
    pane->setParent(nullptr);
}

void AppDelegate::didClickOutlineView(QObject *sender)
{
    cancelFullSizeView(sender);
}

void AppDelegate::didDoubleClickOutlineView(QObject *)
{
    const OutlineView *view = outlineView(*this);
    const LMRItemPtr item = view ? outlineViewChildOfItem(view->selectedRow(), nullptr) : nullptr;
    // A package is a document to the user, not a place to go into.
    if (!item || !item->hasDirectoryPath() || LMRDirectoryEnumerationThread::isPackageName(item->name()))
        return;
    const QString path = item->path();
    QMetaObject::invokeMethod(this, [this, path] { setSidebarRootURL(path); }, Qt::QueuedConnection);
}

void AppDelegate::revealSelectedSidebarItemInFinder(QObject *)
{
    const OutlineView *view = outlineView(*this);
    const LMRItemPtr item = view ? outlineViewChildOfItem(view->selectedRow(), nullptr) : nullptr;
    if (item)
        LMRFileManagerReveal::showItems({item->path()});
}
