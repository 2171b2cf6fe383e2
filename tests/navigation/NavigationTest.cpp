// Moving about the list: stepping in the viewer and in a slideshow (in order and shuffled), what
// is selected after a deletion, files the Trash cannot take, and zooming the grid by wheel and
// pinch.

#include "sidebar/ErrorSheet.h"
#include "slideshow/Shuffle.h"
#include "support/AppSession.h"

using Session = lmrtest::AppSession;

class NavigationTest : public QObject
{
    Q_OBJECT

    QStringList m_alerts;

    static QList<int> originalIndices(const Session &s, const std::vector<LMRImageItemPtr> &original)
    {
        QList<int> result;
        for (qint64 index : s.selection())
            result.append(int(std::find(original.begin(), original.end(), s.item(int(index))) - original.begin()));
        return result;
    }

private slots:
    void init()
    {
        // Every test starts with an empty Trash (the test run's, never the user's).
        QFile::remove(lmrtest::trashFolder());
        QDir(lmrtest::trashFolder()).removeRecursively();
        m_alerts.clear();
        LMRErrorSheet::setHandlerForTesting([this](QWidget *, const QString &text) { m_alerts.append(text); });
    }

    void cleanup()
    {
        LMRErrorSheet::setHandlerForTesting({});
        QFile::remove(lmrtest::trashFolder());
    }

    // Plain steps in the middle of the list are the viewer scenarios' matter; here the ends.
    void stepping_data()
    {
        // mode 0: no slideshow
        lmrtest::columns<int, int, qint64, bool, int>({"count", "start", "mode", "forward", "expected"});
        QTest::newRow("next on the last stays") << 5 << 4 << qint64(0) << true << 4;
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
        s->showItemWithIndexInFullSizeView(start);
        if (mode)
            s->startSlideshowWithMode(mode);
        forward ? s->showNextImageInFullSizeView(s->fullSizeView) : s->showPreviousImageInFullSizeView(s->fullSizeView);
        QCOMPARE(s.shownItem(), s.item(expected));
        QCOMPARE(s.selection(), QList<qint64>{expected});
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

    // The shuffled order is a snapshot: an item deleted since is passed over, never shown by a
    // stale index; both ends wrap round.
    void shuffledItemThatLeftTheListIsSkipped()
    {
        Session s(4);
        const auto a = s.item(0), b = s.item(1), c = s.item(2), d = s.item(3);
        s->startSlideshowWithMode(AppDelegate::kSlideshowShuffled);
        s->shuffledImageItems = {d, c, a, b};
        s->slideshowShuffleIndex = 0;
        s->showItemWithIndexInFullSizeView(3);
        s->thumbnailItems.erase(s->thumbnailItems.begin() + 2);   // c leaves
        s->slideshowTimerFired();
        QCOMPARE(s.shownItem(), a);
        QCOMPARE(s->slideshowShuffleIndex, qint64(2));
        s->showPreviousImageInFullSizeView(nullptr);
        QCOMPARE(s.shownItem(), d);
        QCOMPARE(s.selection(), QList<qint64>{2});
        s->showPreviousImageInFullSizeView(nullptr);
        QCOMPARE(s.shownItem(), b);
        s->showNextImageInFullSizeView(nullptr);
        QCOMPARE(s.shownItem(), d);
    }

    void selectionAfterDeletion_data()
    {
        // shown -1: the grid is on show
        // expected: original index of the item selected; -1 none
        lmrtest::columns<int, QList<int>, int, int>({"count", "deleted", "shown", "expected"});
        QTest::newRow("items 1 and 2 of five select the one that was at 4") << 5 << QList<int>{1, 2} << -1 << 4;
        QTest::newRow("the first of three") << 3 << QList<int>{0} << -1 << 1;
        QTest::newRow("the last of five") << 5 << QList<int>{4} << -1 << 3;
        QTest::newRow("the only item") << 1 << QList<int>{0} << -1 << -1;
        QTest::newRow("the shown last item") << 5 << QList<int>{4} << 4 << 3;
        QTest::newRow("the shown only item") << 1 << QList<int>{0} << 0 << -1;
    }

    void selectionAfterDeletion()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, deleted);
        QFETCH(int, shown);
        QFETCH(int, expected);
        Session s(count);
        const std::vector<LMRImageItemPtr> original = s->thumbnailItems;
        if (shown >= 0) {
            s->showItemWithIndexInFullSizeView(quint64(shown));
            s->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        }
        std::vector<LMRImageItemPtr> items;
        for (int index : deleted)
            items.push_back(original[size_t(index)]);

        s->didDeleteItems(items);
        QCOMPARE(s->thumbnailItems.size(), size_t(count - deleted.size()));
        QCOMPARE(s->thumbnailsCollectionView->itemCount(), quint64(count - deleted.size()));
        QCOMPARE(originalIndices(s, original), expected < 0 ? QList<int>{} : QList<int>{expected});
        if (shown >= 0) {
            QCOMPARE(s.viewerShown(), expected >= 0);
            if (expected >= 0)
                QCOMPARE(s.shownItem(), original[size_t(expected)]);
            else
                QVERIFY(!s->isSlideshowActive());
        }
    }

    // The Trash cannot be set up (its folder is blocked by a plain file): nothing leaves the
    // list, and one alert names every file with the reason.
    void untrashableFilesStayListedWithOneAlert()
    {
        QVERIFY(!lmrtest::writeFile(lmrtest::trashFolder(), "").isEmpty());
        Session s(5);
        s->thumbnailsCollectionView->addItemAtIndexToSelection(1);
        s->thumbnailsCollectionView->addItemAtIndexToSelection(3);
        s->deleteSelectedItems(nullptr);
        QCOMPARE(s->thumbnailItems.size(), size_t(5));
        QVERIFY(QFile::exists(s.folder.filePath(QStringLiteral("item01.png"))));
        QCOMPARE(s.selection(), (QList<qint64>{1, 3}));
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts[0].contains(QLatin1String("item01.png")));
        QVERIFY(m_alerts[0].contains(QLatin1String("item03.png")));
    }

    // Ctrl+wheel and pinches over the grid change the thumbnail size a step at a time, as the zoom
    // commands do, and the item under the pointer is still under it afterwards.
    void stepsKeepingTheItemUnderThePointer_data()
    {
        lmrtest::columns<QString, double, int, int>({"how", "amount", "startStep", "endStep"});
        QTest::newRow("wheel notch in") << QStringLiteral("wheel") << 120.0 << 3 << 4;
        QTest::newRow("two notches at once") << QStringLiteral("wheel") << -240.0 << 4 << 2;
        QTest::newRow("touchpad turns add up") << QStringLiteral("wheel") << 40.0 << 2 << 3;
        QTest::newRow("pinch open") << QStringLiteral("pinch") << 0.1 << 2 << 3;
        QTest::newRow("at the largest step") << QStringLiteral("wheel") << 120.0 << 16 << 16;
    }

    void stepsKeepingTheItemUnderThePointer()
    {
        QFETCH(QString, how);
        QFETCH(double, amount);
        QFETCH(int, startStep);
        QFETCH(int, endStep);
        Session s(80);
        AppDelegate &d = *s;
        ImageCollectionView *grid = d.thumbnailsCollectionView;
        QVERIFY(QTest::qWaitForWindowExposed(d.window));
        d.thumbnailZoomSlider->setValue(startStep);
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 3);

        QWidget *viewport = grid->viewport();
        const QPointF pointer(viewport->width() * 0.6, viewport->height() * 0.4);
        auto itemUnder = [&] { return grid->itemIndexAtPoint(pointer + QPointF(0, grid->documentVisibleRect().y())); };
        const quint64 item = itemUnder();
        QVERIFY(item < 80);

        // Small turns come in several events, as a touchpad sends them.
        const int events = how == QLatin1String("pinch") ? 3 : (std::abs(amount) < 120 ? 3 : 1);
        for (int i = 0; i < events; ++i) {
            if (how == QLatin1String("wheel")) {
                QWheelEvent wheel(pointer, viewport->mapToGlobal(pointer), QPoint(), QPoint(0, int(amount)),
                                  Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(viewport, &wheel);
            } else {
                QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, pointer,
                                          pointer, viewport->mapToGlobal(pointer), amount, QPointF());
                QApplication::sendEvent(viewport, &pinch);
            }
        }
        QCOMPARE(d.thumbnailZoomSlider->value(), endStep);
        QCOMPARE(Preferences::sharedInstance().intZoomValue(), qint64(endStep));
        // Its row is where the pointer is; with another number of columns it may have moved
        // sideways, which a grid that scrolls only up and down cannot undo.
        const QRectF cell = grid->cellRectForItemIndex(item).translated(0, -grid->documentVisibleRect().y());
        QVERIFY2(cell.top() <= pointer.y() && pointer.y() < cell.bottom(),
                 qPrintable(QStringLiteral("row %1-%2, pointer at %3").arg(cell.top()).arg(cell.bottom()).arg(pointer.y())));
    }
};

LMR_REGISTER_TEST(NavigationTest);
#include "NavigationTest.moc"
