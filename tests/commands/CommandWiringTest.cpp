#include "CommandsTestSupport.h"

#include "model/Cache.h"
#include "platform/FileManagerReveal.h"
#include "platform/RecentFolders.h"
#include "prefs/PreferencesWindowController.h"
#include "support/DebugWindowController.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTranslator>

using namespace commandstest;

// The commands that reach other parts of the program and of the desktop, through the real
// wiring rather than their own operations.
class CommandWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void revealShowsTheSelectionOrTheItemOnShow()
    {
        QList<QStringList> requests;
        const auto previous = LMRFileManagerReveal::setHandlerForTesting(
            [&requests](const QStringList &paths) { requests.append(paths); });
        {
            LaunchedDelegate delegate;
            QTemporaryDir dir;
            fillList(*delegate.delegate, dir, 4);
            delegate->thumbnailsCollectionView->addItemAtIndexToSelection(1);
            delegate->thumbnailsCollectionView->addItemAtIndexToSelection(3);
            QTRY_VERIFY(delegate->revealMenuItem->isEnabled());
            delegate->revealMenuItem->trigger();
            QCOMPARE(requests.size(), 1);
            QCOMPARE(requests.last(), (QStringList{delegate->thumbnailItems[1]->path(),
                                                   delegate->thumbnailItems[3]->path()}));

            // In the viewer it is the item shown, whatever the grid has selected.
            showFullSizeView(*delegate.delegate, 2);
            delegate->revealSelectedThumbnailsInFinder(nullptr);
            QCOMPARE(requests.size(), 2);
            QCOMPARE(requests.last(), QStringList{delegate->thumbnailItems[2]->path()});
        }
        LMRFileManagerReveal::setHandlerForTesting(previous);
    }

    // The Edit menu's copy reaches the grid while it is on show.
    void copyCommandsReachTheGrid()
    {
        LaunchedDelegate delegate;
        QTemporaryDir dir;
        fillList(*delegate.delegate, dir, 2);
        delegate->thumbnailsCollectionView->addItemAtIndexToSelection(1);
        QTRY_VERIFY(delegate->copyMenuItem->isEnabled());
        delegate->copyMenuItem->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), delegate->thumbnailItems[1]->path());
        delegate->copyFilenameOnlyMenuItem->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QFileInfo(delegate->thumbnailItems[1]->path()).fileName());
    }

    // The program loads its catalogue from its own resources, whatever is installed.
    void translationCatalogueIsEmbedded()
    {
        QTranslator translator;
        QVERIFY(translator.load(QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("lumory"),
                                QStringLiteral("_"), QStringLiteral(":/i18n")));
    }

    // Each new root goes to the desktop's recently-used list and so into Open Recent, newest
    // first; choosing an entry makes it the root again.
    void newRootsAreRecent()
    {
        QFile::remove(LMRRecentlyUsedListPath());
        QTemporaryDir dir;
        const QString older = QDir(dir.path()).canonicalPath() + QStringLiteral("/older");
        const QString newer = QDir(dir.path()).canonicalPath() + QStringLiteral("/newer");
        QVERIFY(QDir().mkpath(older) && QDir().mkpath(newer));
        LaunchedDelegate delegate;
        delegate->setSidebarRootURL(older);
        delegate->setSidebarRootURL(newer);
        QCOMPARE(LMRRecentFolders(10), (QStringList{newer, older}));
        emit delegate->openRecentMenu->aboutToShow();
        const QList<QAction *> entries = delegate->openRecentMenu->actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0)->text(), QStringLiteral("newer"));
        entries.at(1)->trigger();
        QTRY_COMPARE(delegate->sidebarRootFolderItem->path(), older);
        QFile::remove(LMRRecentlyUsedListPath());
    }

    void highQualityCheckboxEmptiesTheCache()
    {
        LaunchedDelegate delegate;
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        QImage thumbnail(96, 96, QImage::Format_ARGB32_Premultiplied);
        thumbnail.fill(Qt::red);
        cache.setObject(thumbnail, LMRThumbnailRAMCache::keyFor(QStringLiteral("/nowhere/a.png"), 96));
        QVERIFY(cache.count() > 0);
        delegate->showPreferences(nullptr);
        delegate->preferencesWindowController->highQualityThumbnailsButton->click();
        QCOMPARE(cache.count(), 0);
    }

    // All four counters reach the window: the cache, the list, the grid's last pass and the
    // loads waiting.
    void debugWindowFedByFourCounters()
    {
        qputenv("DEBUG", "1");
        LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
        LaunchedDelegate delegate;
        qunsetenv("DEBUG");
        DebugWindowController *debug = DebugWindowController::sharedInstance();
        QVERIFY(debug);
        QCOMPARE(debug->cacheCountText(), QStringLiteral("0"));
        QTemporaryDir dir;
        fillList(*delegate.delegate, dir, 5);
        QTRY_COMPARE(debug->itemsCountText(), QStringLiteral("5"));
        QTRY_VERIFY(!debug->pendingImageLoadsCountText().isEmpty());
        QTRY_VERIFY(debug->cacheCountText().startsWith(QStringLiteral("5 of ")));
        QTRY_COMPARE(debug->drawnLastDrawRectCountText(), QStringLiteral("5"));
    }
};

LMR_REGISTER_TEST(CommandWiringTest);
#include "CommandWiringTest.moc"
