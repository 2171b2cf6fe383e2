#include "support/AppSession.h"

#include "model/Cache.h"
#include "platform/FileManagerReveal.h"
#include "prefs/PreferencesWindowController.h"
#include "support/DebugWindowController.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"

using Session = lmrtest::AppSession;

namespace {
// Counts one notification while it lives.
struct NotificationCount : QObject {
    int count = 0;
    explicit NotificationCount(const QString &name)
    {
        LMRNotificationCenter::defaultCenter().addObserver(this, name, [this] { ++count; });
    }
};
} // namespace

// The commands that reach other parts of the program and of the desktop, through the real
// wiring rather than their own operations; and the preferences window's pacing field.
class CommandWiringTest : public QObject
{
    Q_OBJECT

private slots:
    // Select All by its shortcut, wherever the focus is in the window, then Reveal: the file
    // manager is asked for the whole selection at once. (In the viewer it is the item shown,
    // whatever the grid has selected: the viewer scenarios.)
    void revealShowsTheWholeSelection()
    {
        QList<QStringList> requests;
        const auto previous = LMRFileManagerReveal::setHandlerForTesting(
            [&requests](const QStringList &paths) { requests.append(paths); });
        {
            Session delegate;
            delegate.addImages(4);
            delegate->window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(delegate->window));
            delegate->thumbnailZoomSlider->setFocus();
            QVERIFY(delegate.settleCommands());
            QTest::keyClick(delegate->window, Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(delegate.selection().size(), 4);
            QTRY_VERIFY(delegate->revealMenuItem->isEnabled());
            delegate->revealMenuItem->trigger();
            QStringList all;
            for (int i = 0; i < 4; ++i)
                all << delegate.item(i)->path();
            QCOMPARE(requests, QList<QStringList>{all});
        }
        LMRFileManagerReveal::setHandlerForTesting(previous);
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
        Session delegate;
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
        Session delegate;
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        QImage thumbnail(96, 96, QImage::Format_ARGB32_Premultiplied);
        thumbnail.fill(Qt::red);
        cache.setObject(thumbnail, LMRThumbnailRAMCache::keyFor(QStringLiteral("/nowhere/a.png"), 96));
        QVERIFY(cache.count() > 0);
        delegate->showPreferences(nullptr);
        delegate->preferencesWindowController->highQualityThumbnailsButton->click();
        QCOMPARE(cache.count(), 0);
    }

    // Only with DEBUG set is there a debug window, gone with the program; all four counters
    // reach it: the cache, the list, the grid's last pass and the loads waiting.
    void debugWindowFedByFourCounters()
    {
        {
            Session plain;
            QVERIFY(!plain->debugWindowController && !DebugWindowController::sharedInstance());
        }
        qputenv("DEBUG", "1");
        LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
        {
            Session delegate;
            qunsetenv("DEBUG");
            DebugWindowController *debug = DebugWindowController::sharedInstance();
            QVERIFY(debug && debug->window()->isVisible());
            QCOMPARE(debug->cacheCountText(), QStringLiteral("0"));
            delegate.addImages(5);
            QTRY_COMPARE(debug->itemsCountText(), QStringLiteral("5"));
            QTRY_VERIFY(!debug->pendingImageLoadsCountText().isEmpty());
            QTRY_VERIFY(debug->cacheCountText().startsWith(QStringLiteral("5 of ")));
            // A hand-over repaints only its own cells, so the last pass may have drawn one or two;
            // a pass over the whole grid, once every thumbnail is cached, draws all five.
            ImageCollectionView *grid = delegate->thumbnailsCollectionView;
            QTRY_VERIFY((grid->viewport()->repaint(), debug->drawnLastDrawRectCountText() == QStringLiteral("5")));
        }
        QVERIFY(!DebugWindowController::sharedInstance());
    }

    // Every keystroke in the pacing field is stored at once and announced (a running show
    // restarts on it): a number being typed or followed by a unit counts by its leading number,
    // a negative one is shown and stored as 0, and what no timer can run on stores 0.
    void pacingTypedKeyByKey_data()
    {
        // "\b" is the Backspace key.
        lmrtest::columns<QString, QString, QList<float>>({"typed", "shown", "stored"});
        QTest::newRow("fraction") << "2.5" << "2.5" << QList<float>{2, 2, 2.5f};
        QTest::newRow("with a unit") << "1.5 s" << "1.5 s" << QList<float>{1, 1, 1.5f, 1.5f, 1.5f};
        QTest::newRow("negative") << "-3" << "0" << QList<float>{0, 0};
        QTest::newRow("infinity") << "inf" << "inf" << QList<float>{0, 0, 0};
        QTest::newRow("emptied") << "7\b" << "" << QList<float>{7, 0};
    }

    void pacingTypedKeyByKey()
    {
        QFETCH(QString, typed);
        QFETCH(QList<float>, stored);
        Preferences::sharedInstance().clearForTesting();
        PreferencesWindowController controller;
        controller.showWindow();
        QLineEdit *field = controller.slideshowPacingTextField;
        field->clear();
        NotificationCount changes(LMRNotifications::SlideshowPacingChanged);
        for (qsizetype i = 0; i < typed.size(); ++i) {
            QTest::keyClicks(field, typed.mid(i, 1));
            QCOMPARE(Preferences::sharedInstance().slideshowPacing(), stored.at(i));
        }
        QTEST(field->text(), "shown");
        QCOMPARE(changes.count, stored.size());
    }
};

LMR_REGISTER_TEST(CommandWiringTest);
#include "CommandWiringTest.moc"
