// Full screen through the keys a user presses: the window's chrome steps aside and comes back
// exactly as it was, Escape leaves full screen before it leaves the viewer, and the slideshow's
// own keys neither collide with full screen nor end it.

#include "app/BottomBarView.h"
#include "support/AppSession.h"

using Session = lmrtest::AppSession;

namespace {

// What of the window's chrome is on show, as one comparable line.
QString chromeOf(const AppDelegate &d)
{
    const QWidget *sidebar = d.sidebarOpenFolderPromptView;
    const bool sidebarShown = sidebar->isVisible() && d.splitView->indexOf(const_cast<QWidget *>(sidebar)) >= 0;
    return QStringLiteral("menu bar %1, toolbar %2, sidebar %3 (%4), bottom bar %5")
        .arg(d.window->menuBar()->isVisible()).arg(d.toolbar->isVisible()).arg(sidebarShown)
        .arg(sidebar->isVisible() ? sidebar->width() : 0).arg(d.bottomBarView->isShown());
}
const QString kNoChrome = QStringLiteral("menu bar 0, toolbar 0, sidebar 0 (0), bottom bar 0");

// A key as the user types it into the active main window: shortcuts first, then the focus.
void press(AppDelegate &d, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : d.window.data(),
                    Qt::Key(key), modifiers);
}

} // namespace

class FullScreenTest : public QObject
{
    Q_OBJECT

    static bool showActive(Session &s)
    {
        s->window->activateWindow();
        return QTest::qWaitForWindowActive(s->window);
    }

private slots:
    void enteredAndLeftWithTheChromeAsItWas_data()
    {
        lmrtest::columns<bool, bool, bool, bool>({"hideSidebar", "hideBottomBar", "hideToolbar", "inViewer"});
        QTest::newRow("everything shown, viewer") << false << false << false << true;
        QTest::newRow("everything shown, grid") << false << false << false << false;
        QTest::newRow("sidebar hidden") << true << false << false << true;
        QTest::newRow("bottom bar hidden") << false << true << false << true;
        QTest::newRow("toolbar hidden, grid") << false << false << true << false;
    }

    void enteredAndLeftWithTheChromeAsItWas()
    {
        QFETCH(bool, hideSidebar);
        QFETCH(bool, hideBottomBar);
        QFETCH(bool, hideToolbar);
        QFETCH(bool, inViewer);
        Session s(3);
        AppDelegate &d = *s;
        QVERIFY(showActive(s));
        if (hideSidebar)
            d.didChangeSidebarVisibility();
        if (hideBottomBar)
            d.didChangeBottomBarVisibility();
        if (hideToolbar)
            d.toolbar->hide();
        if (inViewer)
            d.showItemWithIndexInFullSizeView(1);
        // The layout passes the switch posted come first.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const QString before = chromeOf(d);
        const QWidget *pane = inViewer ? static_cast<QWidget *>(d.fullSizeView) : d.thumbnailsSuperview.data();

        press(d, Qt::Key_F11);
        QVERIFY(d.window->isFullScreen());
        QCOMPARE(chromeOf(d), kNoChrome);
        // The picture (or the grid) is all there is: the pane takes the whole window.
        QTRY_COMPARE(QRect(pane->mapTo(d.window, QPoint(0, 0)), pane->size()), d.window->rect());
        QCOMPARE(d.fullSizeView->pathLabel()->isVisible(), false);

        // Escape leaves full screen and nothing else; a second one behaves as it always did.
        press(d, Qt::Key_Escape);
        QVERIFY(!d.window->isFullScreen());
        QTRY_COMPARE(chromeOf(d), before);
        QCOMPARE(s.viewerShown(), inViewer);
        QCOMPARE(d.fullSizeView->pathLabel()->isVisible(), inViewer);
        if (inViewer) {
            press(d, Qt::Key_Escape);
            QVERIFY(!s.viewerShown());
        }

        // F11 toggles as well, with the same result; the settings were never touched.
        press(d, Qt::Key_F11);
        QVERIFY(d.window->isFullScreen());
        press(d, Qt::Key_F11);
        QVERIFY(!d.window->isFullScreen());
        QCOMPARE(Preferences::sharedInstance().showSidebar(), !hideSidebar);
        QCOMPARE(Preferences::sharedInstance().showBottomBar(), !hideBottomBar);
    }

    void slideshowKeysStartOneThatStaysFullScreen()
    {
        Session s(3);
        AppDelegate &d = *s;
        QVERIFY(showActive(s));
        press(d, Qt::Key_F11);
        QVERIFY(d.window->isFullScreen());

        // F5 still refreshes rather than starting anything.
        press(d, Qt::Key_F5);
        QVERIFY(!d.isSlideshowActive());
        press(d, Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(d.isSlideshowActive());
        QVERIFY(s.viewerShown());
        d.slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(1));
        QVERIFY(d.window->isFullScreen());
        QCOMPARE(chromeOf(d), kNoChrome);

        // Space still pauses; Escape leaves full screen and the show goes on in the window.
        press(d, Qt::Key_Space);
        QVERIFY(d.isSlideshowPaused());
        press(d, Qt::Key_Escape);
        QVERIFY(!d.window->isFullScreen());
        QVERIFY(d.isSlideshowActive());
        press(d, Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(!d.isSlideshowActive());
        press(d, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(d.isSlideshowActive());
        QCOMPARE(d.slideshowMode, AppDelegate::kSlideshowShuffled);
    }
};

LMR_REGISTER_TEST(FullScreenTest);
#include "FullScreenTest.moc"
