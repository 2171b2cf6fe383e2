#include "AppTestSupport.h"

#include "app/BottomBarView.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSplitter>
#include <QTemporaryDir>

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

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
    }

    void cleanup()
    {
        apptest::terminate(delegate);
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

        delegate->didChangeBottomBarVisibility(delegate->showBottomBarMenuItem);
        QVERIFY(!bar->parentWidget());
        QCOMPARE(split->geometry(), contentRect());
        QVERIFY(!Preferences::sharedInstance().showBottomBar());
        QCOMPARE(delegate->showBottomBarMenuItem->text(), QStringLiteral("Show Bottom Bar"));

        delegate->didChangeBottomBarVisibility(delegate->showBottomBarMenuItem);
        QCOMPARE(bar->parentWidget(), delegate->contentView.data());
        QCOMPARE(bar->geometry(), barFrame());
        QCOMPARE(split->geometry(), splitAboveBar());
        QVERIFY(Preferences::sharedInstance().showBottomBar());
        QCOMPARE(delegate->showBottomBarMenuItem->text(), QStringLiteral("Hide Bottom Bar"));
    }

    void folderFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("opened");

        QTest::newRow("three folders open the first only") << QStringList{"B", "A", "C"} << "B";
        QTest::newRow("a file opens nothing") << QStringList{"notes.txt"} << "";
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

};

LMR_REGISTER_TEST(MainWindowTest);
#include "MainWindowTest.moc"
