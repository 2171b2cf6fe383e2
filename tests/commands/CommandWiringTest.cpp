#include "CommandsTestSupport.h"

#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "platform/FileManagerReveal.h"
#include "prefs/PreferencesWindowController.h"
#include "support/DebugWindowController.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>

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
            delegate->showItemWithIndexInFullSizeView(2);
            delegate->revealSelectedThumbnailsInFinder(nullptr);
            QCOMPARE(requests.size(), 2);
            QCOMPARE(requests.last(), QStringList{delegate->thumbnailItems[2]->path()});
        }
        LMRFileManagerReveal::setHandlerForTesting(previous);
    }

    // From the Edit menu or its shortcut, wherever the focus is in the window.
    void selectAllFromTheMenu()
    {
        LaunchedDelegate delegate;
        QTemporaryDir dir;
        fillList(*delegate.delegate, dir, 4);
        delegate->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(delegate->window));
        delegate->thumbnailZoomSlider->setFocus();
        QVERIFY(settle(*delegate.delegate));
        QAction *selectAll = nullptr;
        for (QAction *menu : delegate->window->menuBar()->actions()) {
            for (QAction *item : menu->menu()->actions())
                if (item->text() == QLatin1String("Select All"))
                    selectAll = item;
        }
        QVERIFY(selectAll && selectAll->isEnabled());
        selectAll->trigger();
        QCOMPARE(delegate->thumbnailsCollectionView->selection().count(), 4);

        delegate->thumbnailsCollectionView->deselectAll();
        QTest::keyClick(delegate->window, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(delegate->thumbnailsCollectionView->selection().count(), 4);
    }

    void preferencesCloseByKeyAndBelongToTheMainWindow_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W);
    }

    void preferencesCloseByKeyAndBelongToTheMainWindow()
    {
        QFETCH(QKeySequence, keys);
        LaunchedDelegate delegate;
        delegate->preferencesMenuItem->trigger();
        QWidget *preferences = delegate->preferencesWindowController->window();
        QVERIFY(QTest::qWaitForWindowActive(preferences));
        QCOMPARE(preferences->windowHandle()->transientParent(), delegate->window->windowHandle());
        // Typed while the pacing field has the focus, where a user's hands are.
        delegate->preferencesWindowController->slideshowPacingTextField->setFocus();
        QTest::keySequence(preferences, keys);
        QTRY_VERIFY(!preferences->isVisible());
        QVERIFY(delegate->window->isVisible());
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
        // A hand-over repaints only its own cells, so the last pass may have drawn one or two;
        // a pass over the whole grid, once every thumbnail is cached, draws all five.
        ImageCollectionView *grid = delegate->thumbnailsCollectionView;
        QTRY_VERIFY((grid->viewport()->repaint(), debug->drawnLastDrawRectCountText() == QStringLiteral("5")));
    }
};

LMR_REGISTER_TEST(CommandWiringTest);
#include "CommandWiringTest.moc"
