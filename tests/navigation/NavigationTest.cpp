#include "NavigationTestSupport.h"

#include "app/BottomBarView.h"
#include "app/MainWindow.h"
#include "support/SegmentedControl.h"
#include "support/TestRunner.h"

using navtest::Session;

class NavigationTest : public QObject
{
    Q_OBJECT

private slots:
    void stepping_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("start");
        QTest::addColumn<qint64>("mode");       // 0: no slideshow
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("expected");
        QTest::newRow("next in the middle") << 5 << 2 << qint64(0) << true << 3;
        QTest::newRow("next on the last stays") << 5 << 4 << qint64(0) << true << 4;
        QTest::newRow("previous on the first stays") << 5 << 0 << qint64(0) << false << 0;
        QTest::newRow("one item, next stays") << 1 << 0 << qint64(0) << true << 0;
        QTest::newRow("slideshow: next on the last wraps") << 5 << 4 << qint64(1) << true << 0;
        QTest::newRow("slideshow: previous on the first wraps") << 5 << 0 << qint64(1) << false << 4;
        QTest::newRow("slideshow of one item shows it again") << 1 << 0 << qint64(1) << true << 0;
    }

    void stepping()
    {
        QFETCH(int, count);
        QFETCH(int, start);
        QFETCH(qint64, mode);
        QFETCH(bool, forward);
        QFETCH(int, expected);
        Session s(count);
        s.delegate->showItemWithIndexInFullSizeView(start);
        if (mode)
            s.delegate->startSlideshowWithMode(mode);
        if (forward)
            s.delegate->showNextImageInFullSizeView(s.delegate->fullSizeView);
        else
            s.delegate->showPreviousImageInFullSizeView(s.delegate->fullSizeView);
        QCOMPARE(s.delegate->fullSizeItemIndex, quint64(expected));
        QCOMPARE(s.shownItem(), s.item(expected));
        QCOMPARE(s.selection(), QList<qint64>{expected});
    }

    // Shuffled order B, C, A while A is shown: next wraps to B, previous from B is A again.
    void shuffledOrderWrapsBothWays()
    {
        Session s(3);
        const auto a = s.item(0), b = s.item(1), c = s.item(2);
        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowShuffled);
        s.delegate->shuffledImageItems = {b, c, a};
        s.delegate->slideshowShuffleIndex = 2;
        s.delegate->showItemWithIndexInFullSizeView(0);

        s.delegate->showNextImageInFullSizeView(s.delegate->fullSizeView);
        QCOMPARE(s.shownItem(), b);
        QCOMPARE(s.selection(), QList<qint64>{1});
        s.delegate->showPreviousImageInFullSizeView(s.delegate->fullSizeView);
        QCOMPARE(s.shownItem(), a);
        QCOMPARE(s.selection(), QList<qint64>{0});
    }

    // The shuffled order is a snapshot: an item deleted since is passed over, never shown by a
    // stale index.
    void shuffledItemThatLeftTheListIsSkipped()
    {
        Session s(4);
        const auto a = s.item(0), b = s.item(1), c = s.item(2), d = s.item(3);
        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowShuffled);
        s.delegate->shuffledImageItems = {d, c, a, b};
        s.delegate->slideshowShuffleIndex = 0;
        s.delegate->showItemWithIndexInFullSizeView(3);
        s.delegate->thumbnailItems.erase(s.delegate->thumbnailItems.begin() + 2);   // c leaves

        s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), a);
        QCOMPARE(s.delegate->slideshowShuffleIndex, qint64(2));
        s.delegate->showPreviousImageInFullSizeView(nullptr);
        QCOMPARE(s.shownItem(), d);
        QCOMPARE(s.selection(), QList<qint64>{2});
    }

    void leavingTheViewerStopsTheSlideshowAndKeepsTheLastItemSelected()
    {
        Session s(5);
        Preferences::sharedInstance().setSlideshowPacing(0.05f);
        s.delegate->showItemWithIndexInFullSizeView(0);
        s.delegate->startSlideshow(nullptr);
        QTRY_VERIFY(s.delegate->fullSizeItemIndex >= 2);
        s.delegate->cancelFullSizeView(s.delegate->fullSizeView);
        const qint64 last = qint64(s.delegate->fullSizeItemIndex);

        QVERIFY(!s.delegate->isSlideshowActive());
        QVERIFY(!s.viewerShown());
        QVERIFY(s.delegate->splitView->indexOf(s.delegate->thumbnailsSuperview) >= 0);
        QCOMPARE(s.selection(), QList<qint64>{last});
        QVERIFY(s.delegate->thumbnailsCollectionView->documentVisibleRect().intersects(
            s.delegate->thumbnailsCollectionView->cellRectForItemIndex(quint64(last))));
    }

    void bottomBarFollowsTheViewerWhileHidden()
    {
        Session s(3);
        BottomBarView *bar = s.delegate->bottomBarView;
        s.delegate->didChangeBottomBarVisibility(nullptr);       // hidden
        s.delegate->showItemWithIndexInFullSizeView(0);
        const QRect splitFrame = s.delegate->splitView->geometry();
        QCOMPARE(splitFrame, s.delegate->contentView->rect());

        s.delegate->didChangeBottomBarVisibility(nullptr);       // shown, in viewer mode
        QCOMPARE(bar->bottomBarViewForFullSize->parentWidget(), bar);
        QVERIFY(!bar->bottomBarViewForThumbnails->parentWidget());
        QVERIFY(bar->bottomBarViewForFullSize->isVisible());
        QVERIFY(s.delegate->fullSizeNavigationControl->isVisible());
        QCOMPARE(s.delegate->splitView->geometry().height(), splitFrame.height() - BottomBarView::kHeight);

        s.delegate->didChangeBottomBarVisibility(nullptr);
        s.delegate->didChangeBottomBarVisibility(nullptr);       // twice more: layout as before
        QCOMPARE(s.delegate->splitView->geometry(), splitFrame.adjusted(0, 0, 0, -BottomBarView::kHeight));
        QCOMPARE(bar->bottomBarViewForFullSize->parentWidget(), bar);

        s.delegate->cancelFullSizeView(nullptr);
        QCOMPARE(bar->bottomBarViewForThumbnails->parentWidget(), bar);
        QVERIFY(!bar->bottomBarViewForFullSize->parentWidget());
    }
};

LMR_REGISTER_TEST(NavigationTest);
#include "NavigationTest.moc"
