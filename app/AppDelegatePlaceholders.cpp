// Operations of AppDelegate that are not written yet. Each keeps its name and its place in the
// sequences that call it, and records the call (placeholderCalls) so that the order of start-up
// and shutdown can be checked meanwhile. Answers asked by views many times a second, or read
// by menus, are given from the state directly and not recorded.
//
// An operation leaves this file when it gets its body, into the folder of its concern:
// browse/ (thumbnail list, loading thread, grid delegate), viewer/ (full-size navigation),
// sidebar/, slideshow/, app/ (commands).

#include "app/AppDelegate.h"

#include <QAction>
#include <QTimer>

void AppDelegate::notePlaceholderCall(const QString &name, const QString &argument)
{
    placeholderCalls.append(argument.isNull() ? name : name + QLatin1Char(' ') + argument);
}

// --- Life cycle

void AppDelegate::showPreferences(QObject *)
{
    notePlaceholderCall(QStringLiteral("showPreferences"));
}

// --- Commands of the menus and toolbar

void AppDelegate::revealSelectedThumbnailsInFinder(QObject *)
{
    notePlaceholderCall(QStringLiteral("revealSelectedThumbnailsInFinder"));
}

void AppDelegate::showLumoryWebsite(QObject *)
{
    notePlaceholderCall(QStringLiteral("showLumoryWebsite"));
}

bool AppDelegate::validateAction(QAction *)
{
    return true;
}

// --- Thumbnail list

void AppDelegate::didReceiveItemsFromDirectoryEnumerationThread(const LMRDirectoryEnumerationMessage &)
{
    notePlaceholderCall(QStringLiteral("didReceiveItemsFromDirectoryEnumerationThread"));
}

void AppDelegate::addThumbnails(const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("addThumbnails"));
}

void AppDelegate::cancelThumbnailEnumerationThread()
{
    notePlaceholderCall(QStringLiteral("cancelThumbnailEnumerationThread"));
}

void AppDelegate::sortThumbnails()
{
    notePlaceholderCall(QStringLiteral("sortThumbnails"));
}

void AppDelegate::updateFolderDepthUI()
{
    notePlaceholderCall(QStringLiteral("updateFolderDepthUI"));
}

void AppDelegate::updateShowFilenamesUI()
{
    notePlaceholderCall(QStringLiteral("updateShowFilenamesUI"));
}

void AppDelegate::didChangeFolderDepth(QObject *)
{
    notePlaceholderCall(QStringLiteral("didChangeFolderDepth"));
}

void AppDelegate::setFolderDepthFromMenu(QObject *sender)
{
    auto *action = qobject_cast<QAction *>(sender);
    notePlaceholderCall(QStringLiteral("setFolderDepthFromMenu"),
                        action ? action->data().toString() : QString());
}

void AppDelegate::setFolderDepth(qint64 depth)
{
    notePlaceholderCall(QStringLiteral("setFolderDepth"), QString::number(depth));
}

void AppDelegate::didChangeThumbnailSortOptions(QObject *)
{
    notePlaceholderCall(QStringLiteral("didChangeThumbnailSortOptions"));
}

void AppDelegate::showFilenames(QObject *)
{
    notePlaceholderCall(QStringLiteral("showFilenames"));
}

void AppDelegate::didChangeHighQualityThumbnailsPref()
{
    notePlaceholderCall(QStringLiteral("didChangeHighQualityThumbnailsPref"));
}

void AppDelegate::refresh(QObject *)
{
    notePlaceholderCall(QStringLiteral("refresh"));
}

// --- Thumbnail loading thread

void AppDelegate::queueLoadForVisibleThumbnails()
{
    notePlaceholderCall(QStringLiteral("queueLoadForVisibleThumbnails"));
}

void AppDelegate::signalThumbnailLoadingThread()
{
    if (!thumbnailLoading)
        return;
    std::lock_guard<std::mutex> guard(thumbnailLoading->thumbnailLoadingSemaphoreLock);
    thumbnailLoading->pauseThumbnailLoadingThread = false;
    thumbnailLoading->thumbnailLoadingSemaphore.notify_one();
}

void AppDelegate::thumbnailLoadingThreadMain(std::shared_ptr<LMRThumbnailLoadingShared> shared)
{
    while (!shared->cancelled) {
        {
            std::unique_lock<std::mutex> lock(shared->thumbnailLoadingSemaphoreLock);
            while (shared->pauseThumbnailLoadingThread) {
                shared->sleeping = true;
                shared->thumbnailLoadingSemaphore.wait(lock);
                shared->sleeping = false;
            }
            // The next pass sleeps unless signalled again meanwhile.
            shared->pauseThumbnailLoadingThread = true;
        }
        // The drain of pendingThumbnailLoads goes here: one item at a time, the cancelled flag
        // checked before each, the queue lock held only to take the item.
        ++shared->drainPasses;
    }
    shared->ended = true;
}

void AppDelegate::didReceiveItemsFromThumbnailLoadingThread(const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("didReceiveItemsFromThumbnailLoadingThread"));
}

void AppDelegate::didScrollCollectionView()
{
}

// --- The grid's delegate, zoom, deletion

qint64 AppDelegate::collectionViewNumberOfItemsInSection(ImageCollectionView *, qint64)
{
    return qint64(thumbnailItems.size());
}

LMRImageItemPtr AppDelegate::collectionViewItemForRepresentedObjectAtIndexPath(ImageCollectionView *, qint64 index)
{
    if (index < 0 || quint64(index) >= thumbnailItems.size())
        return nullptr;
    return thumbnailItems[size_t(index)];
}

void AppDelegate::collectionViewSelectionDidChange(ImageCollectionView *)
{
    notePlaceholderCall(QStringLiteral("collectionViewSelectionDidChange"));
}

void AppDelegate::collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *, qint64 index)
{
    notePlaceholderCall(QStringLiteral("collectionViewDidDoubleClickItemAtIndexPath"), QString::number(index));
}

void AppDelegate::collectionViewDeleteSelectedItems(ImageCollectionView *)
{
    notePlaceholderCall(QStringLiteral("collectionViewDeleteSelectedItems"));
}

LMRItemPtr AppDelegate::collectionViewDisplayedContentItem(ImageCollectionView *)
{
    return displayedSidebarItem;
}

void AppDelegate::collectionViewReceivedItemsByDrag(ImageCollectionView *, const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("collectionViewReceivedItemsByDrag"));
}

void AppDelegate::applyZoomValueToThumbnails()
{
    notePlaceholderCall(QStringLiteral("applyZoomValueToThumbnails"));
}

void AppDelegate::didChangeZoomSlider(QObject *)
{
    notePlaceholderCall(QStringLiteral("didChangeZoomSlider"));
}

void AppDelegate::zoomIn(QObject *)
{
    notePlaceholderCall(QStringLiteral("zoomIn"));
}

void AppDelegate::zoomOut(QObject *)
{
    notePlaceholderCall(QStringLiteral("zoomOut"));
}

void AppDelegate::didFocusCollectionViewByTabKey()
{
    notePlaceholderCall(QStringLiteral("didFocusCollectionViewByTabKey"));
}

void AppDelegate::deleteSelectedItems(QObject *)
{
    notePlaceholderCall(QStringLiteral("deleteSelectedItems"));
}

void AppDelegate::didDeleteItems(const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("didDeleteItems"));
}

// --- Full-size navigation

void AppDelegate::showItemWithIndexInFullSizeView(quint64 index)
{
    notePlaceholderCall(QStringLiteral("showItemWithIndexInFullSizeView"), QString::number(index));
}

void AppDelegate::showFullSizeView()
{
    notePlaceholderCall(QStringLiteral("showFullSizeView"));
}

void AppDelegate::cancelFullSizeView(QObject *)
{
    notePlaceholderCall(QStringLiteral("cancelFullSizeView"));
}

void AppDelegate::showNextImageInFullSizeView(QObject *)
{
    notePlaceholderCall(QStringLiteral("showNextImageInFullSizeView"));
}

void AppDelegate::showPreviousImageInFullSizeView(QObject *)
{
    notePlaceholderCall(QStringLiteral("showPreviousImageInFullSizeView"));
}

void AppDelegate::didClickFullSizeViewNavigationButton(QObject *)
{
    notePlaceholderCall(QStringLiteral("didClickFullSizeViewNavigationButton"));
}

void AppDelegate::validateFullSizeNavigationControl()
{
    notePlaceholderCall(QStringLiteral("validateFullSizeNavigationControl"));
}

// --- Sidebar

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
    notePlaceholderCall(QStringLiteral("outlineViewSelectionDidChange"));
}

Qt::DropAction AppDelegate::outlineViewValidateDrop(const QMimeData *, const LMRItemPtr &)
{
    return Qt::IgnoreAction;
}

bool AppDelegate::outlineViewAcceptDrop(const QMimeData *, const LMRItemPtr &)
{
    notePlaceholderCall(QStringLiteral("outlineViewAcceptDrop"));
    return false;
}

void AppDelegate::setSidebarRootURL(const QString &folderPath)
{
    notePlaceholderCall(QStringLiteral("setSidebarRootURL"), folderPath);
}

void AppDelegate::showSidebarItem(const LMRItemPtr &item)
{
    notePlaceholderCall(QStringLiteral("showSidebarItem"), item ? item->path() : QString());
}

void AppDelegate::sortSidebarItems()
{
    notePlaceholderCall(QStringLiteral("sortSidebarItems"));
}

void AppDelegate::addSidebarItems(const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("addSidebarItems"));
}

void AppDelegate::cancelSidebarEnumerationThread()
{
    notePlaceholderCall(QStringLiteral("cancelSidebarEnumerationThread"));
}

void AppDelegate::updateSidebarNavPopUp()
{
    notePlaceholderCall(QStringLiteral("updateSidebarNavPopUp"));
}

void AppDelegate::didChangeSidebarNavPopUp(QObject *)
{
    notePlaceholderCall(QStringLiteral("didChangeSidebarNavPopUp"));
}

void AppDelegate::openEnclosingFolder(QObject *)
{
    notePlaceholderCall(QStringLiteral("openEnclosingFolder"));
}

void AppDelegate::didChangeSidebarSortOptions(QObject *)
{
    notePlaceholderCall(QStringLiteral("didChangeSidebarSortOptions"));
}

void AppDelegate::didChangeSidebarVisibility(QObject *)
{
    notePlaceholderCall(QStringLiteral("didChangeSidebarVisibility"));
}

void AppDelegate::showSidebar()
{
    notePlaceholderCall(QStringLiteral("showSidebar"));
}

void AppDelegate::hideSidebar()
{
    notePlaceholderCall(QStringLiteral("hideSidebar"));
}

void AppDelegate::didClickOutlineView(QObject *)
{
    notePlaceholderCall(QStringLiteral("didClickOutlineView"));
}

void AppDelegate::didDoubleClickOutlineView(QObject *)
{
    notePlaceholderCall(QStringLiteral("didDoubleClickOutlineView"));
}

void AppDelegate::revealSelectedSidebarItemInFinder(QObject *)
{
    notePlaceholderCall(QStringLiteral("revealSelectedSidebarItemInFinder"));
}

// --- Slideshow

void AppDelegate::startSlideshow(QObject *)
{
    notePlaceholderCall(QStringLiteral("startSlideshow"));
}

void AppDelegate::startShuffledSlideshow(QObject *)
{
    notePlaceholderCall(QStringLiteral("startShuffledSlideshow"));
}

void AppDelegate::startSlideshowWithMode(qint64 mode)
{
    notePlaceholderCall(QStringLiteral("startSlideshowWithMode"), QString::number(mode));
}

void AppDelegate::stopSlideshow()
{
    notePlaceholderCall(QStringLiteral("stopSlideshow"));
}

void AppDelegate::slideshowTimerFired()
{
    notePlaceholderCall(QStringLiteral("slideshowTimerFired"));
}

void AppDelegate::pauseSlideshow()
{
    notePlaceholderCall(QStringLiteral("pauseSlideshow"));
}

void AppDelegate::unpauseSlideshow()
{
    notePlaceholderCall(QStringLiteral("unpauseSlideshow"));
}

bool AppDelegate::isSlideshowActive() const
{
    return !slideshowTimer.isNull();
}

bool AppDelegate::isSlideshowPaused() const
{
    return slideshowPaused;
}

void AppDelegate::didChangeSlideshowPacing()
{
    notePlaceholderCall(QStringLiteral("didChangeSlideshowPacing"));
}
