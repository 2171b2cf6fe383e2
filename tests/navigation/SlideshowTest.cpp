#include "NavigationTestSupport.h"

#include "slideshow/Shuffle.h"
#include "support/SegmentedControl.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <numeric>

using navtest::Session;

class SlideshowTest : public QObject
{
    Q_OBJECT

private slots:
    void shuffledCopyIsAPermutation_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("many") << 200;
    }

    void shuffledCopyIsAPermutation()
    {
        QFETCH(int, count);
        std::vector<int> original(static_cast<size_t>(count));
        std::iota(original.begin(), original.end(), 0);
        const std::vector<int> before = original;
        std::vector<int> shuffled = shuffledCopy(original);
        QCOMPARE(original, before);
        std::sort(shuffled.begin(), shuffled.end());
        QCOMPARE(shuffled, before);
    }

    // A bound off by one would make some orders impossible (the element at i could never stay,
    // or the last could never move); with 3 items every one of the 6 orders must turn up.
    void everyOrderOfThreeOccurs()
    {
        QRandomGenerator random(20261206);
        QSet<QString> orders;
        for (int i = 0; i < 600; ++i) {
            const std::vector<char> order = shuffledCopy(std::vector<char>{'A', 'B', 'C'}, random);
            orders.insert(QString::fromLatin1(order.data(), 3));
        }
        QCOMPARE(orders.size(), 6);
    }

    void inOrderTicksAdvanceAndWrap()
    {
        Session s(10);
        s.delegate->showItemWithIndexInFullSizeView(3);
        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        QCOMPARE(s.shownItem(), s.item(3));     // nothing shown at the start
        s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(4));
        for (int i = 0; i < 5; ++i)
            s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(9));
        s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(0));
        QCOMPARE(s.selection(), QList<qint64>{0});
    }

    void startedFromTheGridShowsTheSelectedItemAtOnce()
    {
        Session s(5);
        s.delegate->thumbnailsCollectionView->addItemAtIndexToSelection(3);
        s.delegate->startSlideshow(nullptr);
        QVERIFY(s.viewerShown());
        QCOMPARE(s.shownItem(), s.item(3));
        s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(4));
    }

    void shuffledShowsTheFirstAtOnceThenCyclesTheSameOrder()
    {
        Session s(5);
        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowShuffled);
        const std::vector<LMRImageItemPtr> order = s.delegate->shuffledImageItems;
        QCOMPARE(order.size(), size_t(5));
        QVERIFY(s.viewerShown());
        QCOMPARE(s.shownItem(), order[0]);
        for (int tick = 1; tick <= 5; ++tick) {
            s.delegate->slideshowTimerFired();
            QCOMPARE(s.shownItem(), order[size_t(tick % 5)]);
            QCOMPARE(s.selection().size(), 1);
        }
    }

    void spacePausesAndResumesThroughTheDelegate()
    {
        Session s(4);
        s.delegate->showItemWithIndexInFullSizeView(1);
        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Space);
        QVERIFY(s.delegate->isSlideshowPaused());
        s.delegate->slideshowTimerFired();
        s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(1));
        QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Space);
        QVERIFY(!s.delegate->isSlideshowPaused());
        QVERIFY(s.viewerShown());
        s.delegate->slideshowTimerFired();
        QCOMPARE(s.shownItem(), s.item(2));

        // Without a slideshow, Space leaves the viewer.
        s.delegate->startSlideshow(nullptr);
        QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Space);
        QVERIFY(!s.viewerShown());
    }

    void paceChangeRestartsUnpausedWithTheNewInterval()
    {
        Session s(3);
        Preferences::sharedInstance().setSlideshowPacing(30.0f);
        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        s.delegate->pauseSlideshow();
        Preferences::sharedInstance().setSlideshowPacing(0.25f);
        QVERIFY(s.delegate->isSlideshowActive());
        QVERIFY(!s.delegate->isSlideshowPaused());
        QCOMPARE(s.delegate->slideshowTimer->interval(), 250);
        QVERIFY(s.delegate->slideshowTimer->isActive());
    }

    void startAndStopSwitchTitleAndNavigationControl()
    {
        Session s(3);
        s.delegate->showItemWithIndexInFullSizeView(1);
        LMRSegmentedControl *control = s.delegate->fullSizeNavigationControl;
        s.delegate->startSlideshow(nullptr);
        QCOMPARE(s.delegate->startSlideshowMenuItem->text(), QStringLiteral("Stop Slideshow"));
        QVERIFY(!control->isEnabled());
        // The arrow keys still step, with the slideshow's wrapping.
        QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Left);
        QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Left);
        QCOMPARE(s.shownItem(), s.item(2));

        s.delegate->startSlideshow(nullptr);
        QVERIFY(!s.delegate->isSlideshowActive());
        QCOMPARE(s.delegate->startSlideshowMenuItem->text(), QStringLiteral("Start Slideshow"));
        QVERIFY(control->isEnabled());
        QVERIFY(s.viewerShown());

        s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowShuffled);
        s.delegate->stopSlideshow();
        QVERIFY(s.delegate->shuffledImageItems.empty());
    }
};

LMR_REGISTER_TEST(SlideshowTest);
#include "SlideshowTest.moc"
