#include "NavigationTestSupport.h"

#include "slideshow/Shuffle.h"
#include "support/TestRunner.h"

#include <QRandomGenerator>
#include <QSet>

using navtest::Session;

class SlideshowTest : public QObject
{
    Q_OBJECT

private slots:
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

};

LMR_REGISTER_TEST(SlideshowTest);
#include "SlideshowTest.moc"
