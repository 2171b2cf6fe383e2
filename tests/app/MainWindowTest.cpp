#include "AppTestSupport.h"

#include "app/BottomBarView.h"
#include "support/Artwork.h"
#include "support/ClickableImageView.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSignalSpy>
#include <QSlider>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

using apptest::callsOf;

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> delegate;

    QRect contentRect() const { return delegate->contentView->rect(); }
    QRect splitAboveBar() const
    {
        const QRect content = contentRect();
        return QRect(0, 0, content.width(), content.height() - BottomBarView::kHeight);
    }
    QRect barFrame() const
    {
        const QRect content = contentRect();
        return QRect(0, content.height() - BottomBarView::kHeight, content.width(), BottomBarView::kHeight);
    }
    void resizeWindow(const QSize &size)
    {
        delegate->window->resize(size);
        QTRY_COMPARE(delegate->window->size(), size);
    }
    QImage iconImage(LMRClickableImageView *view) const { return view->pixmap().toImage(); }
    QImage artwork(const QString &name, LMRClickableImageView *view) const
    {
        return LMRImageNamed(name).pixmap(view->contentsRect().size()).toImage();
    }

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
    }

    void cleanup()
    {
        apptest::terminate(delegate);
        qunsetenv("LUMORY_APPEARANCE");
    }

    void togglingTheBottomBarTwiceRestoresTheLayout()
    {
        delegate = apptest::launchDelegate();
        resizeWindow(QSize(1000, 700));
        BottomBarView *bar = delegate->bottomBarView;
        QSplitter *split = delegate->splitView;
        QCOMPARE(bar->parentWidget(), delegate->contentView.data());
        QCOMPARE(bar->geometry(), barFrame());
        QCOMPARE(split->geometry(), splitAboveBar());
        QCOMPARE(bar->bottomBarViewForThumbnails->parentWidget(), bar);
        QCOMPARE(bar->bottomBarViewForThumbnails->geometry(), QRect(0, 0, contentRect().width(), 34));

        delegate->didChangeBottomBarVisibility(delegate->showBottomBarMenuItem);
        QVERIFY(!bar->parentWidget());
        QVERIFY(!bar->isVisible());
        QCOMPARE(split->geometry(), contentRect());
        QVERIFY(!Preferences::sharedInstance().showBottomBar());
        QCOMPARE(delegate->showBottomBarMenuItem->text(), QStringLiteral("Show Bottom Bar"));

        delegate->didChangeBottomBarVisibility(delegate->showBottomBarMenuItem);
        QCOMPARE(bar->parentWidget(), delegate->contentView.data());
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->geometry(), barFrame());
        QCOMPARE(split->geometry(), splitAboveBar());
        QVERIFY(Preferences::sharedInstance().showBottomBar());
        QCOMPARE(delegate->showBottomBarMenuItem->text(), QStringLiteral("Hide Bottom Bar"));
    }

    void repeatedShowOrHideLeavesTheSplitViewAlone()
    {
        delegate = apptest::launchDelegate();
        QSplitter *split = delegate->splitView;
        const QRect marker(3, 4, 200, 100);

        split->setGeometry(marker);
        delegate->showBottomBar();
        QCOMPARE(split->geometry(), marker);

        delegate->hideBottomBar();
        QCOMPARE(split->geometry(), contentRect());
        split->setGeometry(marker);
        delegate->hideBottomBar();
        QCOMPARE(split->geometry(), marker);
    }

    void theLayoutFollowsResizesWithTheBarShownOrHidden()
    {
        delegate = apptest::launchDelegate();
        resizeWindow(QSize(900, 600));
        QCOMPARE(delegate->splitView->geometry(), splitAboveBar());
        QCOMPARE(delegate->bottomBarView->geometry(), barFrame());

        delegate->hideBottomBar();
        resizeWindow(QSize(1100, 750));
        QCOMPARE(delegate->splitView->geometry(), contentRect());

        delegate->showBottomBar();
        QCOMPARE(delegate->bottomBarView->geometry(), barFrame());
        QCOMPARE(delegate->splitView->geometry(), splitAboveBar());
    }

    void aHiddenBarAtStartLeavesTheWholeContentToTheSplitView()
    {
        Preferences::sharedInstance().setShowBottomBar(false);
        delegate = apptest::launchDelegate();
        QVERIFY(!delegate->bottomBarView->parentWidget());
        QCOMPARE(delegate->splitView->geometry(), contentRect());
        QCOMPARE(delegate->showBottomBarMenuItem->text(), QStringLiteral("Show Bottom Bar"));
    }

    void theBarKeepsItsModeWhileHidden()
    {
        delegate = apptest::launchDelegate();
        BottomBarView *bar = delegate->bottomBarView;
        QWidget *forThumbnails = bar->bottomBarViewForThumbnails;
        QWidget *forViewer = bar->bottomBarViewForFullSize;

        // Asking again for the mode on show changes nothing.
        const QRect before = forThumbnails->geometry();
        bar->showBottomBarForThumbnails();
        QCOMPARE(forThumbnails->parentWidget(), bar);
        QCOMPARE(forThumbnails->geometry(), before);
        QVERIFY(!forViewer->parentWidget());

        delegate->hideBottomBar();
        bar->showBottomBarForFullSizeView();
        delegate->showBottomBar();
        QCOMPARE(forViewer->parentWidget(), bar);
        QVERIFY(!forThumbnails->parentWidget());
        QCOMPARE(forViewer->geometry(), bar->rect());

        bar->showBottomBarForThumbnails();
        QCOMPARE(forThumbnails->parentWidget(), bar);
        QVERIFY(!forViewer->parentWidget());
    }

    void resizingQueuesThumbnailLoadsOnceAfterItSettles()
    {
        delegate = apptest::launchDelegate();
        auto *timer = delegate->findChild<QTimer *>(QStringLiteral("queueLoadForVisibleThumbnailsTimer"));
        QVERIFY(timer);
        // The window's first layout counts as a resize too; let it pass.
        QTRY_VERIFY(!timer->isActive());
        delegate->placeholderCalls.clear();
        QSignalSpy fired(timer, &QTimer::timeout);

        for (int step = 0; step < 5; ++step) {
            resizeWindow(QSize(800 + 40 * step, 600 + 10 * step));
            QVERIFY(timer->isActive());
        }
        QCOMPARE(timer->interval(), 500);
        QTRY_COMPARE(fired.count(), 1);
        QVERIFY(!timer->isActive());
    }

    void zoomIconsFollowTheAppearance()
    {
        qputenv("LUMORY_APPEARANCE", "dark");
        delegate = apptest::launchDelegate();
        LMRClickableImageView *smaller = delegate->smallerThumbnailsIcon;
        LMRClickableImageView *larger = delegate->largerThumbnailsIcon;
        QVERIFY(!iconImage(smaller).isNull());
        QCOMPARE(iconImage(smaller), artwork(QStringLiteral("zoom-small-dark"), smaller));
        QCOMPARE(iconImage(larger), artwork(QStringLiteral("zoom-large-dark"), larger));
        QVERIFY(iconImage(smaller) != artwork(QStringLiteral("zoom-small"), smaller));

        qputenv("LUMORY_APPEARANCE", "light");
        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        QCOMPARE(iconImage(smaller), artwork(QStringLiteral("zoom-small"), smaller));
        QCOMPARE(iconImage(larger), artwork(QStringLiteral("zoom-large"), larger));
    }

    void zoomIconsSendTheZoomCommands()
    {
        delegate = apptest::launchDelegate();
        QCOMPARE(delegate->thumbnailZoomSlider->value(), 3);
        QTest::mouseClick(delegate->largerThumbnailsIcon, Qt::LeftButton);
        QTRY_COMPARE(delegate->thumbnailZoomSlider->value(), 4);
        QCOMPARE(Preferences::sharedInstance().intZoomValue(), qint64(4));
        QTest::mouseClick(delegate->smallerThumbnailsIcon, Qt::LeftButton);
        QTRY_COMPARE(delegate->thumbnailZoomSlider->value(), 3);
        QCOMPARE(Preferences::sharedInstance().intZoomValue(), qint64(3));
    }

    void folderFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("opened");

        QTest::newRow("three folders open the first only") << QStringList{"B", "A", "C"} << "B";
        QTest::newRow("a file opens nothing") << QStringList{"notes.txt"} << "";
        QTest::newRow("a file before a folder opens nothing") << QStringList{"notes.txt", "A"} << "";
        QTest::newRow("a missing path opens nothing") << QStringList{"missing"} << "";
        QTest::newRow("no arguments") << QStringList{} << "";
    }

    void folderFromTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, opened);

        QTemporaryDir dir;
        const QDir root(dir.path());
        for (const char *name : {"A", "B", "C"})
            QVERIFY(root.mkpath(QLatin1String(name)));
        QFile note(root.filePath(QStringLiteral("notes.txt")));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.close();

        delegate = apptest::launchDelegate();
        delegate->placeholderCalls.clear();
        delegate->restoredSidebarRootFolderURL = root.filePath(QStringLiteral("C"));
        delegate->sidebarNavHistory.push_back(std::make_shared<LMRFileSystemItem>(root.filePath(QStringLiteral("C"))));

        QList<QUrl> urls;
        for (const QString &argument : arguments)
            urls.append(QUrl::fromLocalFile(root.filePath(argument)));
        delegate->applicationOpenURLs(urls);

        // The new root is set after the current event, not inside the hand-over.
        QVERIFY(!delegate->sidebarRootFolderItem);
        QCoreApplication::processEvents();

        if (opened.isEmpty()) {
            QVERIFY(!delegate->sidebarRootFolderItem);
            QCOMPARE(delegate->sidebarNavHistory.size(), size_t(1));
            QVERIFY(!delegate->restoredSidebarRootFolderURL.isEmpty());
            QCOMPARE(delegate->splitView->widget(0), delegate->sidebarOpenFolderPromptView.data());
        } else {
            // The history starts afresh with the opened folder.
            QVERIFY(delegate->sidebarRootFolderItem);
            QCOMPARE(delegate->sidebarRootFolderItem->path(), QFileInfo(root.filePath(opened)).canonicalFilePath());
            QCOMPARE(delegate->sidebarNavHistory.size(), size_t(1));
            QVERIFY(delegate->restoredSidebarRootFolderURL.isEmpty());
            QCOMPARE(delegate->splitView->widget(0), delegate->sidebarView.data());
        }
    }

    void theOpenCommandAsksForAFolder()
    {
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).filePath(QStringLiteral("Pictures"));
        QVERIFY(QDir().mkpath(folder));
        delegate = apptest::launchDelegate();
        delegate->placeholderCalls.clear();

        delegate->openDocument(delegate->openMenuItem);
        auto *panel = delegate->window->findChild<QFileDialog *>(QStringLiteral("openPanel"));
        QVERIFY(panel);
        QCOMPARE(panel->fileMode(), QFileDialog::Directory);
        QCOMPARE(panel->windowModality(), Qt::WindowModal);
        QVERIFY(panel->isVisible());
        panel->reject();
        QTRY_VERIFY(!delegate->window->findChild<QFileDialog *>(QStringLiteral("openPanel")));
        QCoreApplication::processEvents();
        QVERIFY(!delegate->sidebarRootFolderItem);

        delegate->sidebarNavHistory.push_back(std::make_shared<LMRFileSystemItem>(folder));
        delegate->restoredSidebarRootFolderURL = folder;
        delegate->openDocument(delegate->openMenuItem);
        QTRY_VERIFY((panel = delegate->window->findChild<QFileDialog *>(QStringLiteral("openPanel"))));
        panel->setDirectory(folder);
        static_cast<QDialog *>(panel)->accept();
        QTRY_VERIFY(delegate->sidebarRootFolderItem);
        QCOMPARE(delegate->sidebarRootFolderItem->path(), QFileInfo(folder).canonicalFilePath());
        QCOMPARE(delegate->sidebarNavHistory.size(), size_t(1));
        QVERIFY(delegate->restoredSidebarRootFolderURL.isEmpty());
    }
};

LMR_REGISTER_TEST(MainWindowTest);
#include "MainWindowTest.moc"
