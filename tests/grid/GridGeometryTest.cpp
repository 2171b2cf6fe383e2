// Cell arithmetic, columns and centring, the index under a point, the visible range and tooltips.

#include "GridTestSupport.h"
#include "prefs/Preferences.h"
#include "support/TestRunner.h"

#include <QHelpEvent>
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
        QTest::newRow("below the last item: beyond the count") << QPointF(500, 3000) << quint64(28);
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
        QTest::newRow("end of the document: short last row") << qint64(100) << 1000 << 9908 << qint64(93)
                                                             << qint64(7);
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

    // The tooltip names the item under the pointer whatever happened since the last layout.
    void toolTipNamesTheItemUnderThePointer_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("zoomTo");
        QTest::addColumn<int>("hovered");      // the cell the pointer rests on
        QTest::addColumn<int>("expected");     // the item named; -1 none
        QTest::newRow("first screen") << 6 << 288 << 1 << 1;
        QTest::newRow("scrolled far down") << 60 << 288 << 40 << 40;
        QTest::newRow("zoomed out, height unchanged") << 6 << 96 << 4 << 4;
        QTest::newRow("empty cell after the last item") << 2 << 288 << 2 << -1;
    }
    void toolTipNamesTheItemUnderThePointer()
    {
        QFETCH(int, count);
        QFETCH(int, zoomTo);
        QFETCH(int, hovered);
        QFETCH(int, expected);
        QTemporaryDir dir;
        for (int i = 0; i < count; ++i)
            m_delegate.items.push_back(std::make_shared<LMRFileSystemImageItem>(
                lmrtest::writeImage(dir.filePath(QStringLiteral("photo %1.png").arg(i)), 8, 8)));
        m_delegate.count = count;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        m_view->setItemSize(zoomTo);
        m_view->scrollItemAtIndexToVisible(hovered);

        const QPoint point = viewportRect(*m_view, m_view->cellRectForItemIndex(quint64(hovered))).center();
        QHelpEvent help(QEvent::ToolTip, point, m_view->viewport()->mapToGlobal(point));
        QApplication::sendEvent(m_view->viewport(), &help);
        QCOMPARE(QToolTip::text(), expected < 0 ? QString() : m_delegate.items[size_t(expected)]->path());
        QToolTip::hideText();
        QTRY_VERIFY(QToolTip::text().isEmpty());
    }

private:
    FakeGridDelegate m_delegate;
    std::unique_ptr<ImageCollectionView> m_view;
};

LMR_REGISTER_TEST(GridGeometryTest);
#include "GridGeometryTest.moc"
