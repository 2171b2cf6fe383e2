#pragma once
// AppDelegate: the hub of the main window. It owns the window and everything on show in it, the
// thumbnail list, the sidebar's lists and history, the thumbnail loading thread and the
// slideshow's state; it answers the grid as its delegate and consumes every directory walk.
//
// Its operations are spread over files by concern: life cycle, opening folders and window
// callbacks in AppDelegate.cpp; the window and menus in MainWindow*.cpp; the bottom bar and the
// switch back to the grid in AppDelegateBottomBar.cpp; the count label in ThumbnailCountLabel.cpp;
// the thumbnail list, the loading thread and the answers to the grid in browse/; the viewer's
// item and stepping in viewer/, the slideshow in slideshow/, deletions and drops into the shown
// folder in browse/AppDelegateDeletion.cpp; the toolbar, the commands and their one enabling
// table in AppDelegateToolbar.cpp and Commands.cpp.
//
// Everything here runs on the main thread, except thumbnailLoadingThreadMain and what it
// touches in LMRThumbnailLoadingShared.

#include "app/Toolbar.h"
#include "browse/ThumbnailSort.h"
#include "grid/ImageCollectionViewDelegate.h"
#include "model/DirectoryEnumerationThread.h"
#include "model/FileSystemImageItem.h"
#include "platform/FolderWatcher.h"
#include "support/SegmentedControl.h"
#include "viewer/FullSizeView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

class AppDelegate;
class BottomBarView;
struct LMRFolderChanges;
class DebugWindowController;
class ImageCollectionView;
class LMRBusyIndicator;
class LMRClickableImageView;
class LMRDisplayColorProfile;
class LMRScreenSaverInhibitor;
class MainContentView;
class MainWindow;
class PreferencesWindowController;
class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QMimeData;
class QSlider;
class QSplitter;
class QTimer;
class QTreeView;
class QWidget;

// What the main thread and the thumbnail loading workers share. All hold it, so that a worker
// nobody waits for at exit never touches freed memory, however long its last item takes.
// The queue lock and the condition's lock are never held together.
struct LMRThumbnailLoadingShared {
    // How many workers render at once: as many as there are cores, at most 8, and no more full
    // decodes in flight than the thumbnail cache's byte budget holds. requestedWorkerCount, when
    // positive, replaces it (benchmarks and tests compare counts).
    static int defaultWorkerCount();
    static inline std::atomic<int> requestedWorkerCount{0};

    // The queue of items waiting for a thumbnail, the next to load first. Every worker takes
    // from its front, so the first visible items still come first.
    std::mutex pendingThumbnailLoadsLock;
    std::vector<LMRImageItemPtr> pendingThumbnailLoads;
    // The items workers have taken and not yet finished (stored hash to the device-pixel side
    // being rendered), under the same lock: a queueing meanwhile must not queue them again at
    // that size, or a second worker would render the same file while the first one still does.
    std::unordered_multimap<quint64, qint64> renderingThumbnailLoads;

    // Each worker sleeps on the condition while its pause flag is set; the flags are read and
    // written only under the condition's lock. A signal clears them all.
    std::mutex thumbnailLoadingSemaphoreLock;
    std::condition_variable thumbnailLoadingSemaphore;
    std::vector<char> pauseThumbnailLoadingThread;   // one per worker, sized before they start

    // Checked between items and after every wake-up.
    std::atomic<bool> cancelled{false};

    // The rendered items waiting to be handed over, whichever worker made them, so that redraws
    // still go in pairs with one last single at the end of a drain. inFlight counts the items
    // taken and not yet added here; it rises under the queue lock and falls under this one, and
    // only the worker that finds the queue empty and nothing in flight hands over a single.
    std::mutex redrawLock;
    std::vector<LMRImageItemPtr> redraws;
    std::atomic<int> inFlight{0};

    // Where rendered items are handed over (a queued call). The delegate clears it under the
    // lock before it goes away, so a late hand-over is dropped instead of reaching a dead object.
    // The grid's item size is read under the same lock, and only while the receiver is set: the
    // grid goes away with the delegate, after the receiver is cleared.
    std::mutex handOverLock;
    AppDelegate *handOverReceiver = nullptr;
    const LMRThumbnailSizeSource *sizeSource = nullptr;

    // Renders one thumbnail at the given size into the cache; true when a new one was stored.
    // Empty: the item's own renderer. Tests put a controllable one here.
    std::function<bool(LMRFileSystemImageItem &item, const LMRThumbnailSizeSource &size)> render;

    // What the workers are doing, for tests, benchmarks and the debug window.
    std::atomic<int> workers{0};
    std::atomic<int> sleepingWorkers{0};
    std::atomic<int> endedWorkers{0};
    std::atomic<quint64> drainPasses{0};
    std::atomic<int> handOvers{0};
    std::atomic<int> singleItemHandOvers{0};
    bool sleeping() const { return workers > 0 && sleepingWorkers == workers; }
    bool ended() const { return workers > 0 && endedWorkers == workers; }
};

class AppDelegate : public QObject,
                    public ImageCollectionViewDelegate,
                    public LMRDirectoryEnumerationThreadConsumer,
                    public LMRButtonToolbarDelegate
{
    Q_OBJECT
public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // Builds the window and menus (so every outlet below is set), runs the start-up sequence
    // and shows the window.
    void launch();

    // --- Life cycle and window (AppDelegate.cpp)
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void applicationDidBecomeActive();
    void applicationDidResignActive();
    // Another launch asked for the window; answers false (nothing more to do).
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void showMainWindow(QObject *sender = nullptr);
    // A later launch handed over its paths (and the activation token it was started with).
    void applicationDidReceiveHandOver(const QStringList &paths, const QString &activationToken);
    // Folders from the command line or from a later launch: the first one, if it is a folder,
    // or the folder of a file of a listed type, with the file on show once it is listed.
    void applicationOpenURLs(const QList<QUrl> &urls);
    // Called when a walk of the shown folder ends: selects and shows the file asked for.
    void showFileToShowWhenListed();
    void openDocument(QObject *sender = nullptr);
    // The end of the Open command's folder dialog.
    void didEndOpenPanel(int response, const QString &folderPath);
    void showPreferences(QObject *sender = nullptr);
    void appearanceDidChange();
    void windowDidResize();
    // --- Full screen (AppDelegateFullScreen.cpp)
    void toggleFullScreen(QObject *sender = nullptr);
    bool isInFullScreen() const;
    // The window's chrome steps aside and comes back with the window's real state.
    void windowDidEnterFullScreen();
    void windowDidExitFullScreen();
    void replaceOpenFolderViewWithSidebarView();
    // Cancels a pending queueLoadForVisibleThumbnails and schedules one after delay.
    void scheduleQueueLoadForVisibleThumbnails(std::chrono::milliseconds delay);

    // --- Bottom bar and content pane (AppDelegateBottomBar.cpp)
    void showBottomBar();
    void hideBottomBar();
    void didChangeBottomBarVisibility(QObject *sender = nullptr);
    void showThumbnailsCollectionView();

    // --- Toolbar (AppDelegateToolbar.cpp)
    QStringList toolbarAllowedItemIdentifiers(LMRButtonToolbar *toolbar) override;
    QStringList toolbarDefaultItemIdentifiers(LMRButtonToolbar *toolbar) override;
    LMRButtonToolbarItem *toolbarItemForItemIdentifier(LMRButtonToolbar *toolbar, const QString &identifier,
                                                       bool willBeInsertedIntoToolbar) override;
    bool validateToolbarItem(LMRButtonToolbarItem *item) override;

    // --- Commands of the menus and toolbar (Commands.cpp)
    void revealSelectedThumbnailsInFinder(QObject *sender = nullptr);
    void showLumoryWebsite(QObject *sender = nullptr);
    void showAboutBox(QObject *sender = nullptr);
    // Selects every item of the grid, from the menu or its shortcut wherever the focus is.
    void selectAll(QObject *sender = nullptr);
    // The grid's or the viewer's copy, whichever is on show.
    void copy(QObject *sender = nullptr);
    void copyFilenameOnly(QObject *sender = nullptr);
    // A folder of the Open Recent menu becomes the root, as if chosen in the Open dialog.
    void openRecentFolder(const QString &folderPath);
    // Whether the command of action may run now: the one table for menus, toolbar and shortcuts.
    // An action is known by its object name, the name of the operation it runs.
    bool validateAction(QAction *action);
    // Sets the check mark or title of an outlet from the settings and state, then validates.
    bool validateMenuItem(QAction *action);
    // Every command's enabled state and the toolbar's, from the state of this moment.
    void validateCommands();
    // validateCommands once the current event is done; repeated calls run it once.
    void scheduleCommandValidation();

    // --- Thumbnail list: collecting, filtering, sorting, counts
    void didReceiveItemsFromDirectoryEnumerationThread(const LMRDirectoryEnumerationMessage &message) override;
    void addThumbnails(const std::vector<LMRImageItemPtr> &items);
    void cancelThumbnailEnumerationThread();
    void sortThumbnails();
    // Runs change on thumbnailItems (a re-ordering), then finds again by item what points into
    // the list by index: the grid's selection and keyboard anchor, and the viewer's item
    // (fullSizeItemIndex). Every re-ordering of the list goes through here.
    void changeThumbnailItems(const std::function<void()> &change);
    void setThumbnailCount(quint64 count);          // ThumbnailCountLabel.cpp
    void updateFolderDepthUI();
    void updateShowFilenamesUI();
    void didChangeFolderDepth(QObject *sender = nullptr);
    void setFolderDepthFromMenu(QObject *sender = nullptr);
    void setFolderDepth(qint64 depth);
    void didChangeThumbnailSortOptions(QObject *sender = nullptr);
    void showFilenames(QObject *sender = nullptr);
    void didChangeHighQualityThumbnailsPref();
    // The display's colour profile changed: what was decoded for the old one is decoded again.
    void didChangeDisplayColorProfile();
    void refresh(QObject *sender = nullptr);
    // Says above the grid that the folder cannot be read and why (error is an errno); an empty
    // path takes the message away. Showing another folder takes it away too.
    void showFolderProblem(const QString &folderPath, int error);

    // --- Thumbnail loading thread
    void queueLoadForVisibleThumbnails();
    void signalThumbnailLoadingThread();
    // A loading worker's entry; returns when the shared state is cancelled.
    static void thumbnailLoadingThreadMain(std::shared_ptr<LMRThumbnailLoadingShared> shared, int worker);
    void didReceiveItemsFromThumbnailLoadingThread(const std::vector<LMRImageItemPtr> &items);
    void didScrollCollectionView();

    // --- Folders that stay current (AppDelegateFolderChanges.cpp): what others change in the
    // shown folder, and with sub-folders included in every folder listed below it, follows in
    // the list without a refresh.
    void watchShownFolder();
    void watchListedFolders(const std::vector<LMRImageItemPtr> &items);
    void didChangeFolderEntry(const QString &path, bool isDirectory, LMRFolderWatcher::Change change);
    void didRemoveFolderEntry(const QString &path, bool isDirectory);
    void didRemoveWatchedFolder(const QString &folder);
    void didRemoveShownFolder();
    // A walk of folder whose items are merged into the list when it ends (a folder that
    // appeared; everything again after the system dropped events, reconcile).
    void startFolderMergeWalk(const QString &folder, bool reconcile);
    // Takes the messages of those walks; false for any other walk's.
    bool didReceiveFolderMergeWalkItems(const LMRDirectoryEnumerationMessage &message);
    void applySettledFolderChanges();
    void applyFolderChanges(const std::vector<LMRImageItemPtr> &removed, const std::vector<LMRImageItemPtr> &changed,
                            const std::vector<LMRImageItemPtr> &added);

    // --- The grid's delegate, zoom, deletion
    qint64 collectionViewNumberOfItemsInSection(ImageCollectionView *view, qint64 section) override;
    LMRImageItemPtr collectionViewItemForRepresentedObjectAtIndexPath(ImageCollectionView *view,
                                                                     qint64 index) override;
    void collectionViewSelectionDidChange(ImageCollectionView *view) override;
    void collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *view, qint64 index) override;
    void collectionViewDeleteSelectedItems(ImageCollectionView *view) override;
    LMRItemPtr collectionViewDisplayedContentItem(ImageCollectionView *view) override;
    void collectionViewReceivedItemsByDrag(ImageCollectionView *view,
                                           const std::vector<LMRImageItemPtr> &items) override;
    void collectionViewZoomBySteps(ImageCollectionView *view, int steps) override;
    void applyZoomValueToThumbnails();
    void didChangeZoomSlider(QObject *sender = nullptr);
    void zoomIn(QObject *sender = nullptr);
    void zoomOut(QObject *sender = nullptr);
    void didFocusCollectionViewByTabKey();
    void deleteSelectedItems(QObject *sender = nullptr);
    void didDeleteItems(const std::vector<LMRImageItemPtr> &items);

    // --- Full-size navigation
    // Whether the viewer holds the grid's pane.
    bool isFullSizeViewShown() const;
    void showItemWithIndexInFullSizeView(quint64 index);
    void showFullSizeView();
    void cancelFullSizeView(QObject *sender = nullptr);
    void showNextImageInFullSizeView(QObject *sender = nullptr);
    void showPreviousImageInFullSizeView(QObject *sender = nullptr);
    void didClickFullSizeViewNavigationButton(QObject *sender = nullptr);
    void validateFullSizeNavigationControl();

    // --- Sidebar
    // The outline's data source and delegate.
    qint64 outlineViewNumberOfChildrenOfItem(const LMRItemPtr &item);
    LMRItemPtr outlineViewChildOfItem(qint64 index, const LMRItemPtr &item);
    bool outlineViewIsItemExpandable(const LMRItemPtr &item);
    void outlineViewSelectionDidChange();
    // The drop operation to offer (Qt::IgnoreAction refuses); item null means the root.
    // requested: the copy or move the drop event asks for (LMREvent::dropAction).
    Qt::DropAction outlineViewValidateDrop(const QMimeData *data, const LMRItemPtr &proposedItem,
                                           Qt::DropAction requested);
    bool outlineViewAcceptDrop(const QMimeData *data, const LMRItemPtr &item, Qt::DropAction action);
    void setSidebarRootURL(const QString &folderPath);
    // The sidebar's share of the enumeration messages; those of other walks are dropped.
    void didReceiveSidebarItems(const LMRDirectoryEnumerationMessage &message);
    void showSidebarItem(const LMRItemPtr &item);
    void sortSidebarItems();
    void addSidebarItems(const std::vector<LMRImageItemPtr> &items);
    void cancelSidebarEnumerationThread();
    void updateSidebarNavPopUp();
    void didChangeSidebarNavPopUp(QObject *sender = nullptr);
    void openEnclosingFolder(QObject *sender = nullptr);
    void didChangeSidebarSortOptions(QObject *sender = nullptr);
    void didChangeSidebarVisibility(QObject *sender = nullptr);
    void showSidebar();
    void hideSidebar();
    void didClickOutlineView(QObject *sender = nullptr);
    void didDoubleClickOutlineView(QObject *sender = nullptr);
    void revealSelectedSidebarItemInFinder(QObject *sender = nullptr);

    // --- Slideshow
    static constexpr qint64 kSlideshowInOrder = 1;
    static constexpr qint64 kSlideshowShuffled = 2;
    void startSlideshow(QObject *sender = nullptr);
    void startShuffledSlideshow(QObject *sender = nullptr);
    void startSlideshowWithMode(qint64 mode);
    void stopSlideshow();
    void slideshowTimerFired();
    void pauseSlideshow();
    void unpauseSlideshow();
    bool isSlideshowActive() const;
    bool isSlideshowPaused() const;
    void didChangeSlideshowPacing();
    // The screen stays awake exactly while a slideshow runs unpaused or a video plays.
    void updateScreenSaverInhibition();

    // --- Interface references: the window's widget tree owns them.
    QPointer<MainWindow> window;
    QPointer<MainContentView> contentView;
    QPointer<ImageCollectionView> thumbnailsCollectionView;
    QPointer<QWidget> thumbnailsSuperview;
    QPointer<FullSizeView> fullSizeView;
    // Keeps the decoders' output colour space equal to the display's profile.
    QPointer<LMRDisplayColorProfile> displayColorProfile;
    QPointer<LMRSegmentedControl> fullSizeNavigationControl;
    QPointer<QWidget> sidebarView;
    QPointer<QTreeView> sidebarOutlineView;
    QPointer<QComboBox> sidebarNavPopUpButton;
    QPointer<QWidget> sidebarOpenFolderPromptView;
    QPointer<QSlider> thumbnailZoomSlider;
    QPointer<LMRClickableImageView> smallerThumbnailsIcon;
    QPointer<LMRClickableImageView> largerThumbnailsIcon;
    QPointer<LMRBusyIndicator> thumbnailLoadingSpinner;
    QPointer<QLabel> thumbnailCountLabel;
    QPointer<QLabel> folderProblemLabel;
    QPointer<QCheckBox> folderDepthCheckbox;
    // Menu items whose check mark or title the program sets.
    QPointer<QAction> folderDepth0MenuItem;
    QPointer<QAction> folderDepthUnlimitedMenuItem;
    QPointer<QAction> showFilenamesMenuItem;
    QPointer<QAction> startSlideshowMenuItem;
    QPointer<QAction> startShuffledSlideshowMenuItem;
    QPointer<QAction> sortThumbnailsByNameMenuItem;
    QPointer<QAction> sortThumbnailsByCreationDateMenuItem;
    QPointer<QAction> sortThumbnailsByModificationDateMenuItem;
    QPointer<QAction> sortThumbnailsByFileSizeMenuItem;
    QPointer<QAction> sortThumbnailsAscendingMenuItem;
    QPointer<QAction> sortThumbnailsDescendingMenuItem;
    QPointer<QAction> sortSidebarByNameMenuItem;
    QPointer<QAction> sortSidebarByCreationDateMenuItem;
    QPointer<QAction> sortSidebarByModificationDateMenuItem;
    QPointer<QAction> sortSidebarAscendingMenuItem;
    QPointer<QAction> sortSidebarDescendingMenuItem;
    QPointer<QAction> showSidebarMenuItem;
    QPointer<QAction> showBottomBarMenuItem;
    QPointer<QAction> fullScreenMenuItem;
    // Commands without state of their own, kept for validation and tests.
    QPointer<QAction> openMenuItem;
    QPointer<QAction> refreshMenuItem;
    QPointer<QAction> deleteMenuItem;
    QPointer<QAction> quitMenuItem;
    QPointer<QAction> showMainWindowMenuItem;
    QPointer<QAction> revealMenuItem;
    QPointer<QAction> copyMenuItem;
    QPointer<QAction> copyFilenameOnlyMenuItem;
    QPointer<QAction> zoomInMenuItem;
    QPointer<QAction> zoomOutMenuItem;
    QPointer<QAction> preferencesMenuItem;
    QPointer<QAction> websiteMenuItem;
    QPointer<QAction> aboutMenuItem;
    QPointer<QAction> selectAllMenuItem;
    QPointer<QMenu> openRecentMenu;

    // --- Owned objects
    // Made at start-up; a widget of the window, so the window deletes it.
    QPointer<QSplitter> splitView;
    // Detached from the window while hidden; deleted here then.
    QPointer<BottomBarView> bottomBarView;
    QPointer<LMRButtonToolbar> toolbar;
    QPointer<LMRButtonToolbarItem> slideshowToolbarItem;
    // Made on first use, kept until exit.
    PreferencesWindowController *preferencesWindowController = nullptr;
    QPointer<QDialog> aboutBox;
    std::unique_ptr<DebugWindowController> debugWindowController;
    std::vector<LMRImageItemPtr> thumbnailItems;
    std::shared_ptr<LMRDirectoryEnumerationThread> thumbnailEnumerationThread;
    // Never waited for: detached at exit once cancelled and woken.
    std::vector<std::thread> thumbnailLoadingThreads;
    // The loading workers' queue, condition and flags (created at start-up).
    std::shared_ptr<LMRThumbnailLoadingShared> thumbnailLoading;
    // The watcher of the shown folder and what waits for its files to settle; made on first use.
    std::unique_ptr<LMRFolderChanges> folderChanges;
    std::vector<LMRItemPtr> sidebarItems;
    LMRItemPtr sidebarRootFolderItem;
    LMRItemPtr displayedSidebarItem;
    std::shared_ptr<LMRDirectoryEnumerationThread> sidebarEnumerationThread;
    std::vector<LMRItemPtr> sidebarNavHistory;
    // The root restored from the preferences at start-up, or empty.
    QString restoredSidebarRootFolderURL;
    // A file given on the command line, shown once the walk of its folder ends, and that
    // folder: a root opened meanwhile by other means cancels it.
    QString fileToShowWhenListed;
    QString fileToShowWhenListedRoot;
    QPointer<QTimer> slideshowTimer;
    QPointer<LMRScreenSaverInhibitor> screenSaverInhibitor;
    std::vector<LMRImageItemPtr> shuffledImageItems;

    // --- Scalars
    // False when the command line asked to start without the last root folder (--no-restore),
    // where holding Ctrl cannot be seen: on Wayland the program has no keyboard state before
    // its window has the focus.
    bool restoresLastRootFolder = true;
    quint64 countSinceLastSort = 0;
    // How much of thumbnailItems the last sort left in order, so that re-sorts while a folder
    // fills only merge the new tail in.
    LMRThumbnailSort::SortedHead thumbnailSortedHead;
    quint64 fullSizeItemIndex = 0;
    qint64 slideshowMode = 0;
    bool slideshowPaused = false;
    qint64 slideshowShuffleIndex = 0;

private:
    void buildMainWindow();                // MainWindow.cpp
    void buildMainMenu();                  // MainMenu.cpp
    void buildBottomBar();                 // MainWindow.cpp
    void restoreWindowGeometry();          // MainWindow.cpp
    void saveWindowGeometry();             // MainWindow.cpp
    void buildToolbar();                   // AppDelegateToolbar.cpp
    void observeCommandState();            // Commands.cpp
    void updateOpenRecentMenu();           // Commands.cpp
    void stopAccessingRestoredSidebarRootFolder();
    // Steps through the shuffled order (+1 or -1), passing over items no longer listed.
    void showShuffledItemAfterStep(qint64 step);
    void discardSlideshowTimer();
    // The start/stop command's title and artwork, and the navigation buttons, for a slideshow
    // that runs or not.
    void showSlideshowRunning(bool running);
    void setSlideshowToolbarItemImage(const QString &name);

    // What full screen hid, to be shown again when it ends.
    struct FullScreenChrome {
        bool hidden = false;
        bool menuBar = false;
        bool toolbar = false;
        bool bottomBar = false;
        QList<int> splitSizes;
    };
    FullScreenChrome m_fullScreenChrome;
    Qt::WindowStates m_windowStateBeforeFullScreen;

    QPointer<QTimer> m_queueLoadTimer;
    QPointer<QTimer> m_commandValidationTimer;
    QPointer<QTimer> m_windowGeometryTimer;
    // Every command of the menus, validated together whenever their state may have changed.
    QList<QPointer<QAction>> m_commandActions;
    bool m_launched = false;
    bool m_terminated = false;
};
