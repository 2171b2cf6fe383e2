#include "support/AppSession.h"

#include "model/Cache.h"
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

// The debug window's counters, fed through the real wiring rather than their own operations;
// and the preferences window's pacing field.
class CommandWiringTest : public QObject
{
    Q_OBJECT

private slots:
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
