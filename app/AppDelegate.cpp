#include "app/AppDelegate.h"
#include "app/ContextMenus.h"

#include "app/BottomBarView.h"
#include "browse/FolderChanges.h"
#include "app/BusyIndicator.h"
#include "app/MainWindow.h"
#include "browse/ThumbnailTypeFilter.h"
#include "grid/ImageCollectionView.h"
#include "model/DirectoryEnumerationThread.h"
#include "model/MimeTypeLookup.h"
#include "platform/DisplayColorProfile.h"
#include "platform/ImageSource.h"
#include "platform/NameCollation.h"
#include "platform/RecentFiles.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SharedThumbnailCache.h"
#include "platform/WindowActivation.h"
#include "prefs/Preferences.h"
#include "support/Artwork.h"
#include "support/BackgroundTasks.h"
#include "support/ClickableImageView.h"
#include "support/DebugWindowController.h"
#include "support/Modifiers.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/SystemAppearance.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSlider>
#include <QSplitter>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <utility>

namespace {
const QString kSplitViewKey = QStringLiteral("MainSplitView");
// The sidebar's width on a first start, before the user has moved the divider.
constexpr int kInitialSidebarWidth = 230;

bool isExistingDirectory(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isDir();
}

// A folder that other systems present as one document (an application, a photo library).
bool isFilePackageAtPath(const QString &path)
{
    return isExistingDirectory(path) && LMRDirectoryEnumerationThread::isPackageName(QFileInfo(path).fileName());
}
} // namespace

AppDelegate::AppDelegate(QObject *parent) : QObject(parent)
{
    auto *timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("queueLoadForVisibleThumbnailsTimer"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &AppDelegate::queueLoadForVisibleThumbnails);
    m_queueLoadTimer = timer;
    screenSaverInhibitor = new LMRScreenSaverInhibitor(this);
}

AppDelegate::~AppDelegate()
{
    if (thumbnailLoading) {
        {
            std::lock_guard<std::mutex> guard(thumbnailLoading->handOverLock);
            thumbnailLoading->handOverReceiver = nullptr;
            thumbnailLoading->sizeSource = nullptr;
        }
        if (!thumbnailLoadingThreads.empty()) {
            thumbnailLoading->cancelled = true;
            signalThumbnailLoadingThread();
            for (std::thread &worker : std::exchange(thumbnailLoadingThreads, {}))
                worker.detach();
        }
    }
    // Panes and sub-bars that are not on show have no parent; the window takes the rest.
    for (QWidget *detached : {sidebarView.data(), sidebarOpenFolderPromptView.data(), thumbnailsSuperview.data(),
                              static_cast<QWidget *>(fullSizeView.data()), static_cast<QWidget *>(bottomBarView.data())}) {
        if (detached && !detached->parentWidget())
            delete detached;
    }
    delete window.data();
}

void AppDelegate::launch()
{
    if (m_launched)
        return;
    m_launched = true;
    // Some decoder libraries must be set up once on this thread before any worker decodes.
    LMRImageSource::initialize();
    // Typing the first listed file reads the MIME globs (about 15 ms); done now, off this
    // thread, the first folder is not kept waiting for it.
    // The same for the name order's collation data (2 ms), loaded once for every thread.
    LMRBackgroundTasks::pool().start([] {
        LMRMimeTypeLookup::mimeTypeForName(QStringLiteral("x.jpg"));
        LMRNameCollation::sortKey(QStringLiteral("x.jpg"));
    });
    buildMainWindow();
    buildMainMenu();
    thumbnailsCollectionView->setItemPopUpMenu(LMRBuildThumbnailContextMenu(this, thumbnailsCollectionView));
    buildToolbar();
    applicationDidFinishLaunching();
    observeCommandState();
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            applicationDidBecomeActive();
        else
            applicationDidResignActive();
    });
    window->show();
}

void AppDelegate::applicationDidFinishLaunching()
{
    Preferences &preferences = Preferences::sharedInstance();

    // 1. The developer's statistics window; reports go nowhere without it.
    if (Preferences::isDebugModeEnabled()) {
        debugWindowController = std::make_unique<DebugWindowController>();
        debugWindowController->showWindow();
    }

    // 2. The loading thread's shared state: its queue and lock, its condition and pause flag.
    thumbnailLoading = std::make_shared<LMRThumbnailLoadingShared>();
    thumbnailLoading->handOverReceiver = this;

    // 3. The split view, side by side, above the bottom bar.
    auto *split = new LMRSplitView(Qt::Horizontal, contentView);
    splitView = split;
    splitView->setObjectName(QStringLiteral("splitView"));
    splitView->setChildrenCollapsible(false);
    splitView->setHandleWidth(1);
    splitView->setGeometry(MainContentView::splitViewFrame(contentView->size(), true));
    contentView->setSplitView(splitView);

    // 4. The prompt (when the sidebar is on) and the grid. The first pane keeps its width when
    // the window is resized; the panes after it take the change.
    if (preferences.showSidebar())
        splitView->addWidget(sidebarOpenFolderPromptView);
    splitView->addWidget(thumbnailsSuperview);
    for (int i = 0; i < splitView->count(); ++i)
        splitView->setStretchFactor(i, i == 0 ? 0 : 1);
    if (splitView->count() > 1)
        splitView->setSizes({kInitialSidebarWidth, qMax(1, contentView->width() - kInitialSidebarWidth)});
    splitView->restoreState(preferences.storedValue(kSplitViewKey).toByteArray());
    connect(splitView, &QSplitter::splitterMoved, this, [this] {
        Preferences::sharedInstance().setStoredValue(kSplitViewKey, splitView->saveState());
    });
    // A drag moves the divider at every mouse move: the settings file is written once, at its end.
    auto dragHold = std::make_shared<Preferences::WriteHold>();
    connect(split, &LMRSplitView::dividerDragStarted, this,
            [dragHold] { *dragHold = Preferences::sharedInstance().holdWrites(); });
    connect(split, &LMRSplitView::dividerDragFinished, this, [dragHold] { dragHold->reset(); });
    splitView->show();

    // 5.
    thumbnailLoadingSpinner->hide();

    // 6. Empty lists and the zero count.
    sidebarItems.clear();
    {
        std::lock_guard<std::mutex> guard(thumbnailLoading->pendingThumbnailLoadsLock);
        thumbnailLoading->pendingThumbnailLoads.clear();
    }
    thumbnailItems.clear();
    setThumbnailCount(thumbnailItems.size());
    sidebarNavHistory.clear();

    // 7. The zoom step sizes the grid's cells. The slider must not send its command while it
    // is set from the stored value.
    {
        const QSignalBlocker blocker(thumbnailZoomSlider);
        thumbnailZoomSlider->setValue(int(preferences.intZoomValue()));
    }
    applyZoomValueToThumbnails();

    // 8. Scrolling the grid queues the thumbnails that came into view.
    connect(thumbnailsCollectionView, &ImageCollectionView::boundsDidChange, this,
            &AppDelegate::didScrollCollectionView);
    // So does a move to a screen of another pixel ratio: the visible thumbnails change size.
    connect(thumbnailsCollectionView, &ImageCollectionView::thumbnailPixelRatioDidChange, this,
            &AppDelegate::didScrollCollectionView);

    // 9.
    LMRNotificationCenter &center = LMRNotificationCenter::defaultCenter();
    center.addObserver(this, LMRNotifications::SlideshowPacingChanged, [this] { didChangeSlideshowPacing(); });
    center.addObserver(this, LMRNotifications::HighQualityThumbnailsChanged,
                       [this] { didChangeHighQualityThumbnailsPref(); });
    displayColorProfile = new LMRDisplayColorProfile(this);
    connect(displayColorProfile, &LMRDisplayColorProfile::profileChanged, this,
            &AppDelegate::didChangeDisplayColorProfile);

    // 10.
    bottomBarView->showBottomBarForThumbnails();
    if (!preferences.showBottomBar())
        hideBottomBar();

    // 11.
    updateFolderDepthUI();
    updateShowFilenamesUI();

    // 12. Keeping the main window out of a window list has no counterpart on the Linux desktop.

    // 13. Files dropped on a sidebar folder are moved or copied there.
    sidebarOutlineView->setAcceptDrops(true);
    sidebarOutlineView->viewport()->setAcceptDrops(true);
    sidebarOutlineView->setDragDropMode(QAbstractItemView::DropOnly);

    // 14. The loading workers start asleep: their pause flags are set before they run.
    const int workers = LMRThumbnailLoadingShared::defaultWorkerCount();
    {
        std::lock_guard<std::mutex> guard(thumbnailLoading->thumbnailLoadingSemaphoreLock);
        thumbnailLoading->pauseThumbnailLoadingThread.assign(size_t(workers), 1);
    }
    thumbnailLoading->workers = workers;
    for (int worker = 0; worker < workers; ++worker)
        thumbnailLoadingThreads.emplace_back(&AppDelegate::thumbnailLoadingThreadMain, thumbnailLoading, worker);

    // 15. The last root folder, unless the copy modifier alone is held or the command line
    // said not to. A package is never a root; it stays stored for the next start all the same.
    if (restoresLastRootFolder && !LMREvent::isOptionKeyPressed()) {
        restoredSidebarRootFolderURL = preferences.defaultRootFolder();
        if (!restoredSidebarRootFolderURL.isEmpty()) {
            if (isFilePackageAtPath(restoredSidebarRootFolderURL)) {
                stopAccessingRestoredSidebarRootFolder();
            } else {
                setSidebarRootURL(restoredSidebarRootFolderURL);
                replaceOpenFolderViewWithSidebarView();
            }
        }
    }

    // 16. The zoom icons follow the desktop's appearance from now on.
    appearanceDidChange();
    LMRSystemAppearance::startObservingDesktop();
    center.addObserver(this, LMRNotifications::AppearanceChanged, [this] { appearanceDidChange(); });
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated || !m_launched)
        return;
    m_terminated = true;

    stopSlideshow();
    if (screenSaverInhibitor)
        screenSaverInhibitor->setInhibited(false);
    stopAccessingRestoredSidebarRootFolder();
    LMRNotificationCenter::defaultCenter().removeObserver(this);
    // A move or resize that ended just before the exit has not been written yet.
    if (m_windowGeometryTimer && m_windowGeometryTimer->isActive())
        saveWindowGeometry();
    LMRRecentFiles::waitForPendingNotes();
    // A gesture still under way when the program quits (a colour dialog left open) never ends.
    Preferences::sharedInstance().writeHeldValues();

    // Cancelled and woken, never waited for: a render in progress must not hold up the exit.
    if (thumbnailLoading) {
        thumbnailLoading->cancelled = true;
        signalThumbnailLoadingThread();
    }
    for (std::thread &worker : std::exchange(thumbnailLoadingThreads, {}))
        worker.detach();
    // Nor does a thumbnail still waiting to be written to disk.
    LMRSharedThumbnailCache::sharedInstance().stopWriting();

    cancelThumbnailEnumerationThread();
    cancelSidebarEnumerationThread();
    if (folderChanges) {
        for (const LMRFolderChanges::MergeWalk &walk : folderChanges->walks)
            walk.thread->cancel();
        folderChanges->walks.clear();
        folderChanges->timer.stop();
        folderChanges->watcher.unwatchAll();
    }
}

void AppDelegate::applicationDidBecomeActive()
{
    // The selection's colour depends on whether the window is active.
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->viewport()->update();
}

void AppDelegate::applicationDidResignActive()
{
    if (thumbnailsCollectionView)
        thumbnailsCollectionView->viewport()->update();
}

bool AppDelegate::applicationShouldHandleReopen(bool)
{
    showMainWindow(this);
    return false;
}

void AppDelegate::showMainWindow(QObject *)
{
    LMRWindowActivation::activate(window, QString());
}

void AppDelegate::applicationDidReceiveHandOver(const QStringList &paths, const QString &activationToken)
{
    // The user acted on the other launch: the window comes forward with the focus, which on
    // Wayland only the launcher's token can give it.
    LMRWindowActivation::activate(window, activationToken);
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    applicationOpenURLs(urls);
}

void AppDelegate::applicationOpenURLs(const QList<QUrl> &urls)
{
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    QString path = QDir::cleanPath(urls.first().toLocalFile());
    // A file the list would show ("Open With" on a photo in a file manager) opens its folder,
    // with the file selected and on show once it is listed. Any other file is ignored.
    QString file;
    if (!isExistingDirectory(path)) {
        if (!QFileInfo(path).isFile())
            return;
        const LMRFileSystemItem item(path);
        if (!LMRThumbnailTypeFilter().accepts(item))
            return;
        file = item.path();
        path = QFileInfo(file).absolutePath();
    }
    replaceOpenFolderViewWithSidebarView();
    stopAccessingRestoredSidebarRootFolder();
    sidebarNavHistory.clear();
    // After the current event, as a folder from any other source would be.
    QMetaObject::invokeMethod(
        this,
        [this, path, file] {
            setSidebarRootURL(path);
            fileToShowWhenListed = file;
            fileToShowWhenListedRoot = sidebarRootFolderItem ? sidebarRootFolderItem->path() : QString();
        },
        Qt::QueuedConnection);
}

void AppDelegate::showFileToShowWhenListed()
{
    const QString file = std::exchange(fileToShowWhenListed, QString());
    // Another folder opened meanwhile has the last word.
    if (file.isEmpty() || !sidebarRootFolderItem || sidebarRootFolderItem->path() != fileToShowWhenListedRoot)
        return;
    const auto found = std::find_if(thumbnailItems.begin(), thumbnailItems.end(),
                                    [&file](const LMRImageItemPtr &item) { return item->path() == file; });
    if (found != thumbnailItems.end())
        showItemWithIndexInFullSizeView(quint64(found - thumbnailItems.begin()));
}

void AppDelegate::openDocument(QObject *)
{
    auto *dialog = new QFileDialog(window, tr("Open Folder"));
    dialog->setObjectName(QStringLiteral("openPanel"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setDirectory(sidebarRootFolderItem ? sidebarRootFolderItem->path() : QDir::homePath());
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        const QString chosen = dialog->selectedFiles().value(0);
        dialog->deleteLater();
        didEndOpenPanel(result, chosen);
    });
    dialog->open();
}

void AppDelegate::didEndOpenPanel(int response, const QString &folderPath)
{
    if (response != QDialog::Accepted || folderPath.isEmpty())
        return;
    stopAccessingRestoredSidebarRootFolder();
    sidebarNavHistory.clear();
    const QString path = QDir::cleanPath(folderPath);
    QMetaObject::invokeMethod(this, [this, path] { setSidebarRootURL(path); }, Qt::QueuedConnection);
}

void AppDelegate::appearanceDidChange()
{
    LMRSystemAppearance::applyApplicationPalette();
    if (smallerThumbnailsIcon)
        smallerThumbnailsIcon->setImage(LMRImageNamed(LMRAppearanceImageName(QStringLiteral("zoom-small"))));
    if (largerThumbnailsIcon)
        largerThumbnailsIcon->setImage(LMRImageNamed(LMRAppearanceImageName(QStringLiteral("zoom-large"))));
}

void AppDelegate::windowDidResize()
{
    // A live resize sends many events; the thumbnails are queued once it has settled.
    scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds(500));
}

void AppDelegate::scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds delay)
{
    m_queueLoadTimer->start(delay);
}

void AppDelegate::replaceOpenFolderViewWithSidebarView()
{
    if (!splitView || !sidebarOpenFolderPromptView || !sidebarView)
        return;
    LMRReplaceSplitViewPane(splitView, sidebarOpenFolderPromptView, sidebarView);
}

void AppDelegate::stopAccessingRestoredSidebarRootFolder()
{
    // Access to a folder needs no release on Linux; forgetting it is all there is.
    restoredSidebarRootFolderURL.clear();
}
