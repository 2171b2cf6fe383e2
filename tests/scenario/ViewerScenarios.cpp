// The viewer as a user meets it: the first double-click of a fresh installation, stepping, and
// what Copy, Reveal and Delete act on after the list changed under the item on show; the
// slideshow started, paced, paused and left.

#include "ScenarioSupport.h"

#include "app/MainWindow.h"
#include "support/SegmentedControl.h"
#include "prefs/PreferencesWindowController.h"

using scenario::Window;

class ViewerScenarios : public QObject
{
    Q_OBJECT

private slots:
    void firstRun_data()
    {
        lmrtest::columns<QString, QList<int>, QString>({"opened", "keys", "last"});
        QTest::newRow("two steps right") << "b.jpg" << QList<int>{Qt::Key_Right, Qt::Key_Right} << "d.webp";
        QTest::newRow("left at the first item stays") << "a.png" << QList<int>{Qt::Key_Left} << "a.png";
        QTest::newRow("there and back") << "c.bmp" << QList<int>{Qt::Key_Left, Qt::Key_Right, Qt::Key_Right}
                                        << "d.webp";
    }
    void firstRun()
    {
        QFETCH(QString, opened);
        QFETCH(QList<int>, keys);
        QFETCH(QString, last);
        Window w;
        w.open(w.makeFolder(), 6);
        const QRect gridPane = w.app().thumbnailsSuperview->geometry();

        w.doubleClickItem(opened);
        QVERIFY(w.viewerShown());
        QCOMPARE(w.viewerFile(), opened);
        // No divider was ever stored: the viewer takes exactly the grid's pane.
        QCOMPARE(w.app().fullSizeView->geometry(), gridPane);
        for (int key : keys)
            w.press(key);
        QCOMPARE(w.viewerFile(), last);

        w.press(Qt::Key_Escape);
        QVERIFY(!w.viewerShown());
        QCOMPARE(w.app().thumbnailsSuperview->geometry(), gridPane);
        QCOMPARE(w.selectedNames(), QStringList{last});
        w.press(Qt::Key_Return);
        QCOMPARE(w.viewerFile(), last);
        QCOMPARE(w.app().fullSizeView->geometry(), gridPane);
    }

    // Whatever changed the list while an item is on show, the commands act on that item.
    // By name the folder reads a b c d e z; by modification date z c e a d b.
    void listChangeWhileViewing_data()
    {
        // changes: menu entries, or a key
        // shown: on show after them; empty: the grid is back
        // following: on show once it went to the Trash
        lmrtest::columns<QStringList, QString, bool, QString>({"changes", "shown", "nextEnabled", "following"});
        QTest::newRow("no change") << QStringList{} << "a.png" << true << "b.jpg";
        QTest::newRow("sorted descending") << QStringList{"View > Sort Thumbnails > Descending"} << "a.png"
                                           << false << "b.jpg";
        QTest::newRow("sorted by date") << QStringList{"View > Sort Thumbnails > By Modification Date"} << "a.png"
                                        << true << "d.webp";
        QTest::newRow("sorted by date, descending")
            << QStringList{"View > Sort Thumbnails > By Modification Date", "View > Sort Thumbnails > Descending"}
            << "a.png" << true << "e.tif";
        QTest::newRow("after a deletion") << QStringList{"Delete"} << "b.jpg" << true << "c.bmp";
        QTest::newRow("refreshed: back to the grid") << QStringList{"File > Refresh"} << "" << true << "";
    }
    void listChangeWhileViewing()
    {
        QFETCH(QStringList, changes);
        QFETCH(QString, shown);
        Window w;
        w.open(w.makeFolder(), 6);
        w.doubleClickItem("a.png");
        for (const QString &change : changes) {
            if (change == "Delete")
                w.press(Qt::Key_Delete);
            else
                QVERIFY(w.choose(change));
        }
        QStringList trashed = w.trashedNames();

        if (shown.isEmpty()) {
            QTRY_VERIFY(!w.busy() && w.countText() == "6 images");
            QVERIFY(!w.viewerShown());
            w.press(Qt::Key_Delete);
            QCOMPARE(w.trashedNames(), trashed);
            return;
        }
        QVERIFY(w.viewerShown());
        QCOMPARE(w.viewerFile(), shown);
        QTEST(w.app().fullSizeNavigationControl->isSegmentEnabled(1), "nextEnabled");

        w.press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), w.folder() + '/' + shown);
        QVERIFY(w.choose("File > Reveal in File Manager"));
        QCOMPARE(w.revealedNames(), QStringList{shown});
        w.press(Qt::Key_Delete);
        trashed.append(shown);
        trashed.sort();
        QCOMPARE(w.trashedNames(), trashed);
        QVERIFY(!w.onDisk(shown));
        QTEST(w.viewerFile(), "following");
    }

    void slideshow_data()
    {
        QTest::addColumn<QString>("start");
        QTest::newRow("in order") << "Slideshow > Start Slideshow";
        QTest::newRow("shuffled") << "Slideshow > Start Shuffled Slideshow";
    }
    void slideshow()
    {
        QFETCH(QString, start);
        Window w;
        w.open(w.makeFolder({{"a.png", 5}, {"b.jpg", 4}, {"c.bmp", 3}, {"d.webp", 2}, {"e.tif", 1}}), 5);

        // A quick pace, typed into the preferences window.
        QVERIFY(w.choose("File > Preferences…"));
        auto *pacing = w.app().preferencesWindowController->window()->findChild<QLineEdit *>("slideshowPacingTextField");
        QVERIFY(pacing);
        QTRY_VERIFY(pacing->isVisible());
        QTest::mouseClick(pacing, Qt::LeftButton);
        QTest::keyClick(pacing, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(pacing, "0.2");
        QTest::keyClick(pacing, Qt::Key_Return);
        pacing->window()->close();
        w.app().window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.app().window));

        w.clickItem("b.jpg");
        QVERIFY(w.choose(start));
        QVERIFY(w.viewerShown());
        const QString first = w.viewerFile();
        QTRY_VERIFY(w.viewerFile() != first);

        // Space holds the image on show for as long as it is paused.
        w.press(Qt::Key_Space);
        const QString held = w.viewerFile();
        QTest::qWait(800);
        QCOMPARE(w.viewerFile(), held);
        w.press(Qt::Key_Space);
        QTRY_VERIFY(w.viewerFile() != held);

        // Leaving the viewer ends the show on the item last seen.
        const QString last = w.viewerFile();
        w.press(Qt::Key_Escape);
        QVERIFY(!w.viewerShown());
        QCOMPARE(w.selectedNames(), QStringList{last});
        QTest::qWait(800);
        QVERIFY(!w.viewerShown());
        QVERIFY(w.choose("Slideshow > Start Slideshow"));
        QVERIFY(w.viewerShown());
        QCOMPARE(w.viewerFile(), last);
        w.press(Qt::Key_Escape);
    }
};

LMR_REGISTER_TEST(ViewerScenarios);
#include "ViewerScenarios.moc"
