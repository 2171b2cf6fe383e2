#include "AppTestSupport.h"
#include "app/Toolbar.h"

#include "app/BottomBarView.h"
#include "app/BusyIndicator.h"
#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "support/DebugWindowController.h"
#include "support/Modifiers.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

using apptest::callsOf;

class AppStartupTest : public QObject
{
    Q_OBJECT

private:
    // The start-up's own placeholder calls; the resize-debounced queueing depends on timing.
    static QStringList sequenceCalls(const AppDelegate &delegate)
    {
        QStringList calls = delegate.placeholderCalls;
        calls.removeAll(QStringLiteral("queueLoadForVisibleThumbnails"));
        return calls;
    }

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
        qunsetenv("DEBUG");
    }

    void cleanup()
    {
        apptest::releaseModifiers();
        qunsetenv("DEBUG");
    }

    void firstStartShowsThePromptBesideAnEmptyGrid()
    {
        auto delegate = apptest::launchDelegate();

        QSplitter *split = delegate->splitView;
        QVERIFY(split);
        QCOMPARE(split->count(), 2);
        QCOMPARE(split->widget(0), delegate->sidebarOpenFolderPromptView.data());
        QCOMPARE(split->widget(1), delegate->thumbnailsSuperview.data());
        QVERIFY(delegate->thumbnailsSuperview->isAncestorOf(delegate->thumbnailsCollectionView));
        QCOMPARE(split->indexOf(delegate->fullSizeView), -1);
        QCOMPARE(split->indexOf(delegate->sidebarView), -1);

        QVERIFY(delegate->thumbnailItems.empty());
        QCOMPARE(delegate->thumbnailCountLabel->text(), QStringLiteral("0 images"));
        QVERIFY(delegate->thumbnailLoadingSpinner->isHidden());
        QCOMPARE(delegate->thumbnailZoomSlider->value(), 3);
        QVERIFY(delegate->restoredSidebarRootFolderURL.isEmpty());

        // Nothing restored; the zoom, the folder-depth controls and the file-name command
        // follow the stored settings.
        QVERIFY(sequenceCalls(*delegate).isEmpty());
        QCOMPARE(delegate->thumbnailsCollectionView->itemSize(), qint64(3 * 96));
        const bool unlimited = Preferences::sharedInstance().folderDepth() == -1;
        QCOMPARE(delegate->folderDepthCheckbox->isChecked(), unlimited);
        QCOMPARE(delegate->folderDepthUnlimitedMenuItem->isChecked(), unlimited);
        QCOMPARE(delegate->folderDepth0MenuItem->isChecked(), !unlimited);
        QCOMPARE(delegate->showFilenamesMenuItem->text(), Preferences::sharedInstance().showFilenames()
                                                              ? QStringLiteral("Hide File Names")
                                                              : QStringLiteral("Show File Names"));

        // The loading thread sleeps until signalled, drains once, and sleeps again.
        auto shared = delegate->thumbnailLoading;
        QTRY_VERIFY(shared->sleeping);
        QCOMPARE(shared->drainPasses.load(), quint64(0));
        delegate->signalThumbnailLoadingThread();
        QTRY_COMPARE(shared->drainPasses.load(), quint64(1));
        QTRY_VERIFY(shared->sleeping);

        apptest::terminate(delegate);
    }

    void shutdownCancelsAndWakesTheLoadingThreadWithoutWaiting()
    {
        LMRNotificationCenter &center = LMRNotificationCenter::defaultCenter();
        const int pacingObservers = center.observerCount(LMRNotifications::SlideshowPacingChanged);
        const int appearanceObservers = center.observerCount(LMRNotifications::AppearanceChanged);
        const int qualityObservers = center.observerCount(LMRNotifications::HighQualityThumbnailsChanged);
        auto delegate = apptest::launchDelegate();
        QCOMPARE(center.observerCount(LMRNotifications::SlideshowPacingChanged), pacingObservers + 1);
        QCOMPARE(center.observerCount(LMRNotifications::HighQualityThumbnailsChanged), qualityObservers + 1);
        // The delegate's, the full-size viewer's and each toolbar button's; the viewer's and the
        // buttons' go with the window.
        const int toolbarItems = int(delegate->toolbar->items().size());
        QCOMPARE(center.observerCount(LMRNotifications::AppearanceChanged), appearanceObservers + 2 + toolbarItems);
        auto shared = delegate->thumbnailLoading;
        QTRY_VERIFY(shared->sleeping);

        delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        delegate->placeholderCalls.clear();
        const auto walk = LMRDirectoryEnumerationThread::create(delegate.get(), 0, QDir::tempPath());
        delegate->thumbnailEnumerationThread = walk;
        delegate->applicationWillTerminate();
        QVERIFY(!delegate->isSlideshowActive());
        QVERIFY(sequenceCalls(*delegate).isEmpty());
        QVERIFY(!delegate->thumbnailEnumerationThread);
        QVERIFY(walk->isCancelled());
        QVERIFY(!delegate->thumbnailLoadingThread.joinable());
        QVERIFY(shared->cancelled);
        QCOMPARE(center.observerCount(LMRNotifications::SlideshowPacingChanged), pacingObservers);
        QCOMPARE(center.observerCount(LMRNotifications::AppearanceChanged), appearanceObservers + 1 + toolbarItems);

        // A second shutdown (the application's own, at exit) does nothing more.
        delegate->placeholderCalls.clear();
        delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        delegate->applicationWillTerminate();
        QVERIFY(delegate->isSlideshowActive());
        QVERIFY(sequenceCalls(*delegate).isEmpty());

        delegate.reset();
        QCOMPARE(center.observerCount(LMRNotifications::AppearanceChanged), appearanceObservers);
        QTRY_VERIFY(shared->ended);
    }

    void closingTheMainWindowEndsTheProgram()
    {
        auto delegate = apptest::launchDelegate();
        auto shared = delegate->thumbnailLoading;
        delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        bool closed = false;
        QTimer::singleShot(0, delegate->window.data(), [&] {
            closed = true;
            delegate->window->close();
        });
        // Only there so that a fault cannot hang the run.
        QTimer safety;
        safety.setSingleShot(true);
        bool rescued = false;
        connect(&safety, &QTimer::timeout, qApp, [&] {
            rescued = true;
            QCoreApplication::quit();
        });
        safety.start(20000);
        QCoreApplication::exec();
        QVERIFY(closed);
        QVERIFY(!rescued);
        // aboutToQuit ran the shutdown sequence.
        QVERIFY(!delegate->isSlideshowActive());
        QVERIFY(shared->cancelled);
        QVERIFY(!delegate->thumbnailLoadingThread.joinable());
        delegate.reset();
        QTRY_VERIFY(shared->ended);
    }

    void withoutTheSidebarTheSplitHoldsTheGridAlone()
    {
        Preferences::sharedInstance().setShowSidebar(false);
        auto delegate = apptest::launchDelegate();
        QSplitter *split = delegate->splitView;
        QCOMPARE(split->count(), 1);
        QCOMPARE(split->widget(0), delegate->thumbnailsSuperview.data());
        // The pane at index 0 holds its width: here the grid's.
        QCOMPARE(split->widget(0)->sizePolicy().horizontalStretch(), 0);
        QVERIFY(!delegate->sidebarOpenFolderPromptView->parentWidget());
        QVERIFY(!delegate->sidebarOpenFolderPromptView->isVisible());
        apptest::terminate(delegate);
    }

    void restoringTheLastRootFolder_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("restored");

        QTest::newRow("stored folder is opened") << "Photos" << int(Qt::NoModifier) << true;
        QTest::newRow("Ctrl alone held skips it") << "Photos" << int(Qt::ControlModifier) << false;
        QTest::newRow("Ctrl with Shift does not count") << "Photos" << int(Qt::ControlModifier | Qt::ShiftModifier)
                                                        << true;
        QTest::newRow("package folder is not opened") << "Trip.photoslibrary" << int(Qt::NoModifier) << false;
        QTest::newRow("nothing stored") << "" << int(Qt::NoModifier) << false;
    }

    void restoringTheLastRootFolder()
    {
        QFETCH(QString, stored);
        QFETCH(int, modifiers);
        QFETCH(bool, restored);

        QTemporaryDir dir;
        QString folder;
        if (!stored.isEmpty()) {
            folder = QDir(dir.path()).filePath(stored);
            QVERIFY(QDir().mkpath(folder));
            Preferences::sharedInstance().setDefaultRootFolder(folder);
            folder = Preferences::sharedInstance().defaultRootFolder();
            QVERIFY(!folder.isEmpty());
        }
        apptest::holdModifiers(Qt::KeyboardModifiers(modifiers));
        QCOMPARE(LMREvent::isOptionKeyPressed(), modifiers == int(Qt::ControlModifier));

        auto delegate = apptest::launchDelegate();
        apptest::releaseModifiers();

        QCOMPARE(bool(delegate->sidebarRootFolderItem), restored);
        if (restored)
            QCOMPARE(delegate->sidebarRootFolderItem->path(), QFileInfo(folder).canonicalFilePath());
        QCOMPARE(delegate->restoredSidebarRootFolderURL, restored ? folder : QString());
        // The sidebar stands where the prompt was exactly when a folder was opened.
        QCOMPARE(delegate->splitView->widget(0),
                 restored ? delegate->sidebarView.data() : delegate->sidebarOpenFolderPromptView.data());
        // Skipped or not, the stored folder is kept for the next start.
        QCOMPARE(Preferences::sharedInstance().defaultRootFolder(), folder);

        apptest::terminate(delegate);
    }

    void debugWindowFollowsTheCache()
    {
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        cache.removeAllObjects();
        {
            auto delegate = apptest::launchDelegate();
            QVERIFY(!delegate->debugWindowController);
            QVERIFY(!DebugWindowController::sharedInstance());
            apptest::terminate(delegate);
        }

        qputenv("DEBUG", "1");
        auto delegate = apptest::launchDelegate();
        DebugWindowController *debug = delegate->debugWindowController.get();
        QVERIFY(debug);
        QCOMPARE(DebugWindowController::sharedInstance(), debug);
        QVERIFY(debug->window()->isVisible());
        QCOMPARE(debug->cacheCountText(), QStringLiteral("0"));

        QImage thumbnail(8, 8, QImage::Format_RGB32);
        thumbnail.fill(Qt::gray);
        cache.setObject(thumbnail, LMRThumbnailRAMCache::keyFor(QStringLiteral("/nowhere/a.png"), 288));
        QTRY_COMPARE(debug->cacheCountText(), QStringLiteral("1 of 2000"));
        cache.removeAllObjects();
        QTRY_COMPARE(debug->cacheCountText(), QStringLiteral("0 of 2000"));

        apptest::terminate(delegate);
        QVERIFY(!DebugWindowController::sharedInstance());
    }
};

LMR_REGISTER_TEST(AppStartupTest);
#include "StartupTest.moc"
