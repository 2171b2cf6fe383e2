// Cell arithmetic, columns and centring, the index under a point, the visible range, keyboard
// neighbours, the layout pass and its tooltip areas, reloading and scrolling.

#include "GridTestSupport.h"
#include "prefs/Preferences.h"
#include "support/TestRunner.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolTip>

#include "tests/support/TestUtils.h"

class GridGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
        Preferences::sharedInstance().setIntZoomValue(3);
        m_delegate = FakeGridDelegate();
        m_view = std::make_unique<ImageCollectionView>();
        m_view->setDelegate(&m_delegate);
        m_view->setItemSize(288);
    }
    void cleanup() { m_view.reset(); }

    void cellMetrics_data()
    {
        QTest::addColumn<bool>("names");
        QTest::addColumn<int>("width");
        QTest::addColumn<float>("cellWidth");
        QTest::addColumn<float>("cellHeight");
        QTest::addColumn<qint64>("columns");
        QTest::addColumn<float>("xOffset");
        QTest::newRow("1000 wide, names hidden") << false << 1000 << 312.0f << 312.0f << qint64(3) << 32.0f;
        QTest::newRow("1000 wide, names shown") << true << 1000 << 312.0f << 336.0f << qint64(3) << 32.0f;
        QTest::newRow("1001 wide: half-point margin") << false << 1001 << 312.0f << 312.0f << qint64(3) << 32.5f;
        QTest::newRow("narrower than a cell: one column, centred") << false << 200 << 312.0f << 312.0f << qint64(1)
                                                                   << -56.0f;
    }
    void cellMetrics()
    {
        QFETCH(bool, names);
        QFETCH(int, width);
        Preferences::sharedInstance().setShowFilenames(names);
        QVERIFY(showGrid(*m_view, width, 700));
        QCOMPARE(m_view->cachedShowFilenames(), names);
        QTEST(m_view->cellWidth(), "cellWidth");
        QTEST(m_view->cellHeight(), "cellHeight");
        QTEST(m_view->numberOfVisibleColumns(), "columns");
        QTEST(m_view->xOffset(), "xOffset");
    }

    void rectangles_data()
    {
        QTest::addColumn<bool>("names");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QRectF>("cell");
        QTest::addColumn<QRectF>("item");
        QTest::addColumn<QRectF>("image");
        QTest::addColumn<QRectF>("hit");
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<QRectF>("text");
        QTest::newRow("names hidden, column 1 row 2")
            << false << 1000 << 1 << 2 << QRectF(344, 624, 312, 312) << QRectF(350, 630, 300, 300)
            << QRectF(356, 636, 288, 288) << QRectF(364, 644, 272, 272) << QRectF(348, 628, 304, 304)
            << QRectF(352, 909, 296, 16);
        QTest::newRow("names shown, column 1 row 2")
            << true << 1000 << 1 << 2 << QRectF(344, 672, 312, 336) << QRectF(350, 678, 300, 324)
            << QRectF(356, 684, 288, 288) << QRectF(364, 692, 272, 272) << QRectF(348, 676, 304, 328)
            << QRectF(352, 981, 296, 16);
        QTest::newRow("1001 wide, column 0: widened cell, unrounded image")
            << false << 1001 << 0 << 0 << QRectF(32, 0, 313, 312) << QRectF(38, 6, 301, 300)
            << QRectF(44.5, 12, 288, 288) << QRectF(52.5, 20, 272, 272) << QRectF(36, 4, 305, 304)
            << QRectF(40, 285, 297, 16);
        QTest::newRow("1001 wide, column 1 overlaps column 0 by a point")
            << false << 1001 << 1 << 0 << QRectF(344, 0, 313, 312) << QRectF(350, 6, 301, 300)
            << QRectF(356.5, 12, 288, 288) << QRectF(364.5, 20, 272, 272) << QRectF(348, 4, 305, 304)
            << QRectF(352, 285, 297, 16);
    }
    void rectangles()
    {
        QFETCH(bool, names);
        QFETCH(int, width);
        QFETCH(int, column);
        QFETCH(int, row);
        Preferences::sharedInstance().setShowFilenames(names);
        QVERIFY(showGrid(*m_view, width, 700));
        const QRectF cell = m_view->cellRectForColumn(quint64(column), quint64(row));
        QTEST(cell, "cell");
        QCOMPARE(m_view->cellRectForItemIndex(quint64(row * 3 + column)), cell);
        const QRectF item = m_view->itemRectForCellRect(cell);
        QTEST(item, "item");
        QTEST(m_view->imageRectForItemRect(item), "image");
        QTEST(m_view->hitRectForItemRect(item), "hit");
        QTEST(m_view->selectionRectForCellRect(cell), "selection");
        QTEST(m_view->textRectForItemRect(item), "text");
    }

    void itemIndexAtPoint_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<quint64>("index");
        QTest::newRow("left margin belongs to column 0") << QPointF(10, 10) << quint64(0);
        QTest::newRow("right margin belongs to the last column") << QPointF(990, 10) << quint64(2);
        QTest::newRow("second row, middle column") << QPointF(500, 320) << quint64(4);
        QTest::newRow("padding between cells still counts") << QPointF(344, 0) << quint64(1);
        QTest::newRow("below the last item: beyond the count") << QPointF(500, 3000) << quint64(28);
        QTest::newRow("above the first row wraps")
            << QPointF(500, -1) << quint64(std::numeric_limits<quint64>::max() - 1);
    }
    void itemIndexAtPoint()
    {
        QFETCH(QPointF, point);
        m_delegate.count = 7;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        QTEST(m_view->itemIndexAtPoint(point), "index");
    }

    void visibleItemsRange_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("scrollY");
        QTest::addColumn<qint64>("location");
        QTest::addColumn<qint64>("length");
        QTest::newRow("100 items seen from y 400") << qint64(100) << 1000 << 400 << qint64(3) << qint64(9);
        QTest::newRow("top of the document") << qint64(100) << 1000 << 0 << qint64(0) << qint64(9);
        QTest::newRow("end of the document: short last row") << qint64(100) << 1000 << 9908 << qint64(93)
                                                             << qint64(7);
        QTest::newRow("fewer items than fit") << qint64(4) << 1000 << 0 << qint64(0) << qint64(4);
        QTest::newRow("one column") << qint64(10) << 200 << 0 << qint64(0) << qint64(3);
        QTest::newRow("no items") << qint64(0) << 1000 << 0 << qint64(0) << qint64(0);
    }
    void visibleItemsRange()
    {
        QFETCH(qint64, count);
        QFETCH(int, width);
        QFETCH(int, scrollY);
        m_delegate.count = count;
        QVERIFY(showGrid(*m_view, width, 700));
        m_view->reloadData();
        m_view->verticalScrollBar()->setValue(scrollY);
        QCOMPARE(m_view->documentVisibleRect().y(), double(scrollY));
        const LMRIndexRange range = m_view->visibleItemsRange();
        QTEST(range.location, "location");
        QTEST(range.length, "length");
    }

    void neighbours_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<qint64>("index");
        QTest::addColumn<qint64>("above");
        QTest::addColumn<qint64>("below");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<qint64>("right");
        const qint64 none = LMRNotFound;
        QTest::newRow("4: short last row has no cell below") << qint64(7) << qint64(4) << qint64(1) << none
                                                             << qint64(3) << qint64(5);
        QTest::newRow("3: below is 6") << qint64(7) << qint64(3) << qint64(0) << qint64(6) << qint64(2) << qint64(4);
        QTest::newRow("0: top-left corner") << qint64(7) << qint64(0) << none << qint64(3) << none << qint64(1);
        QTest::newRow("2: right wraps to the next row") << qint64(7) << qint64(2) << none << qint64(5) << qint64(1)
                                                         << qint64(3);
        QTest::newRow("6: last item") << qint64(7) << qint64(6) << qint64(3) << none << qint64(5) << none;
        QTest::newRow("no anchor: first item") << qint64(7) << none << qint64(0) << qint64(0) << qint64(0)
                                               << qint64(0);
        QTest::newRow("no anchor, no items") << qint64(0) << none << none << none << none << none;
    }
    void neighbours()
    {
        QFETCH(qint64, count);
        QFETCH(qint64, index);
        m_delegate.count = count;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        QCOMPARE(m_view->numberOfVisibleColumns(), qint64(3));
        QTEST(m_view->indexOfItemAboveIndex(index), "above");
        QTEST(m_view->indexOfItemBelowIndex(index), "below");
        QTEST(m_view->indexOfItemToLeftOfIndex(index), "left");
        QTEST(m_view->indexOfItemToRightOfIndex(index), "right");
    }

    void documentNeverShorterThanViewport_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<bool>("names");
        QTest::addColumn<double>("height");
        QTest::newRow("empty") << qint64(0) << false << 700.0;
        QTest::newRow("one row") << qint64(3) << false << 700.0;
        QTest::newRow("100 items") << qint64(100) << false << 34 * 312.0;
        QTest::newRow("100 items with names") << qint64(100) << true << 34 * 336.0;
    }
    void documentNeverShorterThanViewport()
    {
        QFETCH(qint64, count);
        QFETCH(bool, names);
        Preferences::sharedInstance().setShowFilenames(names);
        m_delegate.count = count;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        QTEST(m_view->frame().height(), "height");
        QCOMPARE(m_view->verticalScrollBar()->maximum(), int(m_view->frame().height()) - 700);
    }

    void toolTipAreasFollowHeightChangesOnly()
    {
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_delegate.count = 100;
        m_view->reloadData();
        QCOMPARE(m_view->toolTipRects().size(), size_t(9));
        m_delegate.count = 3;
        m_view->reloadData();
        const auto before = m_view->toolTipRects();
        QCOMPARE(before.size(), size_t(3));
        QCOMPARE(before[1].first, QRectF(350, 6, 300, 300));
        QCOMPARE(before[1].second, qint64(1));

        // A zoom change that keeps the height leaves the old areas in place.
        Preferences::sharedInstance().setIntZoomValue(2);
        m_view->setItemSize(192);
        QCOMPARE(m_view->frame().height(), 700.0);
        QCOMPARE(m_view->toolTipRects(), before);

        // A height change registers the items visible now, at the new size.
        m_delegate.count = 100;
        m_view->reloadData();
        const LMRIndexRange range = m_view->visibleItemsRange();
        QCOMPARE(qint64(m_view->toolTipRects().size()), range.length);
        QCOMPARE(m_view->toolTipRects().back().second, range.location + range.length - 1);
        QCOMPARE(m_view->toolTipRects().front().first.width(), 204.0);
    }

    void toolTipShowsPathAndIgnoresStaleIndices()
    {
        QTemporaryDir dir;
        const QString path = lmrtest::writeImage(dir.filePath("Holiday photo.png"), 8, 8);
        m_delegate.items = {nullptr, std::make_shared<LMRFileSystemImageItem>(path)};
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_delegate.count = 100;
        m_view->reloadData();
        m_delegate.count = 2;
        m_view->reloadData();

        const QPoint inItem1 = viewportRect(*m_view, m_view->cellRectForItemIndex(1)).center();
        QHelpEvent help(QEvent::ToolTip, inItem1, m_view->viewport()->mapToGlobal(inItem1));
        QApplication::sendEvent(m_view->viewport(), &help);
        QCOMPARE(QToolTip::text(), m_delegate.items[1]->path());
        QToolTip::hideText();
        QTRY_VERIFY(QToolTip::text().isEmpty());

        // The list shrank without a height change: the old area must not ask for item 1.
        m_delegate.count = 1;
        m_delegate.items.resize(1);
        m_view->reloadData();
        QCOMPARE(m_view->toolTipRects().size(), size_t(2));
        m_delegate.itemRequests.clear();
        QHelpEvent stale(QEvent::ToolTip, inItem1, m_view->viewport()->mapToGlobal(inItem1));
        QApplication::sendEvent(m_view->viewport(), &stale);
        QVERIFY(m_delegate.itemRequests.empty());
        QVERIFY(QToolTip::text().isEmpty());
    }

    void reloadingItemsRepaintsOnlyTheirCells()
    {
        m_delegate.count = 12;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        settle(*m_view);
        PaintRecorder recorder(m_view->viewport());
        const int countCalls = m_delegate.numberOfItemsCalls;

        m_view->reloadItemsAtIndexPaths({1, 5});
        QCOMPARE(m_delegate.numberOfItemsCalls, countCalls + 1);
        QTRY_VERIFY(recorder.paints > 0);
        const QRegion expected = QRegion(viewportRect(*m_view, m_view->cellRectForItemIndex(1)))
            + QRegion(viewportRect(*m_view, m_view->cellRectForItemIndex(5)));
        QCOMPARE(recorder.region, expected);
        QCOMPARE(m_view->drawnLastPaintCount(), qint64(2));
    }

    void scrolling()
    {
        m_delegate.count = 100;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        QSignalSpy bounds(m_view.get(), &ImageCollectionView::boundsDidChange);

        // Down: the least scroll puts the cell's bottom at the visible bottom.
        m_view->scrollItemAtIndexToVisible(50);
        QCOMPARE(m_view->documentVisibleRect().bottom(), m_view->cellRectForItemIndex(50).bottom());
        QCOMPARE(bounds.count(), 1);
        // Already visible: no movement.
        m_view->scrollItemAtIndexToVisible(48);
        QCOMPARE(bounds.count(), 1);
        // Up: the cell's top at the visible top.
        m_view->scrollItemAtIndexToVisible(10);
        QCOMPARE(m_view->documentVisibleRect().top(), m_view->cellRectForItemIndex(10).top());

        m_view->scrollToEndOfDocument();
        QCOMPARE(m_view->documentVisibleRect().bottom(), m_view->frame().height());
        m_view->scrollToBeginningOfDocument();
        QCOMPARE(m_view->documentVisibleRect().top(), 0.0);
        QCOMPARE(bounds.count(), 4);
    }

    void negativeCountIsNoItems()
    {
        m_delegate.count = -5;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        QCOMPARE(m_view->itemCount(), quint64(0));
        QCOMPARE(m_view->frame().height(), 700.0);
    }

private:
    FakeGridDelegate m_delegate;
    std::unique_ptr<ImageCollectionView> m_view;
};

LMR_REGISTER_TEST(GridGeometryTest);
#include "GridGeometryTest.moc"
