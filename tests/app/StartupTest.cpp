#include "AppTestSupport.h"

#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "support/DebugWindowController.h"
#include "support/Modifiers.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QLabel>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

class AppStartupTest : public QObject
{
    Q_OBJECT

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

        QVERIFY(delegate->thumbnailItems.empty());
        QCOMPARE(delegate->thumbnailCountLabel->text(), QStringLiteral("0 images"));
        QVERIFY(delegate->restoredSidebarRootFolderURL.isEmpty());

        // Every loading worker sleeps until signalled, drains once, and sleeps again.
        auto shared = delegate->thumbnailLoading;
        QTRY_VERIFY(shared->sleeping());
        QCOMPARE(shared->drainPasses.load(), quint64(0));
        delegate->signalThumbnailLoadingThread();
        QTRY_COMPARE(shared->drainPasses.load(), quint64(shared->workers.load()));
        QTRY_VERIFY(shared->sleeping());

        apptest::terminate(delegate);
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
        QVERIFY(delegate->thumbnailLoadingThreads.empty());
        delegate.reset();
        QTRY_VERIFY(shared->ended());
    }

    void restoringTheLastRootFolder_data()
    {
        lmrtest::columns<QString, int, bool, bool>({"stored", "modifiers", "noRestore", "restored"});

        QTest::newRow("stored folder is opened") << "Photos" << int(Qt::NoModifier) << false << true;
        QTest::newRow("Ctrl alone held skips it") << "Photos" << int(Qt::ControlModifier) << false << false;
        QTest::newRow("Ctrl with Shift does not count")
            << "Photos" << int(Qt::ControlModifier | Qt::ShiftModifier) << false << true;
        QTest::newRow("--no-restore skips it") << "Photos" << int(Qt::NoModifier) << true << false;
        QTest::newRow("package folder is not opened") << "Trip.photoslibrary" << int(Qt::NoModifier) << false << false;
        QTest::newRow("nothing stored") << "" << int(Qt::NoModifier) << false << false;
    }

    void restoringTheLastRootFolder()
    {
        QFETCH(QString, stored);
        QFETCH(int, modifiers);
        QFETCH(bool, noRestore);
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

        auto delegate = std::make_unique<AppDelegate>();
        delegate->restoresLastRootFolder = !noRestore;
        delegate->launch();
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
