#include "AppTestSupport.h"

#include "grid/ImageCollectionView.h"
#include "support/Modifiers.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

class AppStartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { Preferences::sharedInstance().clearForTesting(); }
    void cleanup() { apptest::releaseModifiers(); }

    // Every loading worker sleeps until signalled, drains once, and sleeps again.
    void loadingWorkersSleepUntilSignalled()
    {
        auto delegate = apptest::launchDelegate();
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
};

LMR_REGISTER_TEST(AppStartupTest);
#include "StartupTest.moc"
