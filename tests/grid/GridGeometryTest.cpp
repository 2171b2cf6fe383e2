// Columns and centring, the index under a point, the visible range and tooltips.

#include "GridTestSupport.h"

class GridGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_view = makeGrid(m_delegate); }
    void cleanup() { m_view.reset(); }

    void cellMetrics_data()
    {
        lmrtest::columns<bool, int, float, qint64, float>({"names", "width", "cellHeight", "columns", "xOffset"});
        QTest::newRow("1000 wide, names hidden") << false << 1000 << 312.0f << qint64(3) << 32.0f;
        QTest::newRow("1000 wide, names shown") << true << 1000 << 336.0f << qint64(3) << 32.0f;
        QTest::newRow("1001 wide: half-point margin") << false << 1001 << 312.0f << qint64(3) << 32.5f;
        QTest::newRow("narrower than a cell: one column, centred") << false << 200 << 312.0f << qint64(1) << -56.0f;
    }
    void cellMetrics()
    {
        QFETCH(bool, names);
        QFETCH(int, width);
        Preferences::sharedInstance().setShowFilenames(names);
        QVERIFY(showGrid(*m_view, width, 700));
        QCOMPARE(m_view->cellWidth(), 312.0f);
        QTEST(m_view->cellHeight(), "cellHeight");
        QTEST(m_view->numberOfVisibleColumns(), "columns");
        QTEST(m_view->xOffset(), "xOffset");
    }

    void itemIndexAtPoint_data()
    {
        lmrtest::columns<QPointF, quint64>({"point", "index"});
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
        QTEST(m_view->itemIndexAtPoint(point), "index");
    }

    void visibleItemsRange_data()
    {
        lmrtest::columns<qint64, int, qint64, qint64>({"count", "scrollY", "location", "length"});
        QTest::newRow("100 items seen from y 400") << qint64(100) << 400 << qint64(3) << qint64(9);
        QTest::newRow("end of the document: short last row") << qint64(100) << 9908 << qint64(93) << qint64(7);
        QTest::newRow("no items") << qint64(0) << 0 << qint64(0) << qint64(0);
    }
    void visibleItemsRange()
    {
        QFETCH(qint64, count);
        QFETCH(int, scrollY);
        m_delegate.count = count;
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->verticalScrollBar()->setValue(scrollY);
        QCOMPARE(m_view->documentVisibleRect().y(), double(scrollY));
        QTEST(m_view->visibleItemsRange().location, "location");
        QTEST(m_view->visibleItemsRange().length, "length");
    }

    // The tooltip names the item under the pointer whatever happened since the last layout.
    void toolTipNamesTheItemUnderThePointer_data()
    {
        // hovered: the cell the pointer rests on
        // expected: the item named; -1 none
        lmrtest::columns<int, int, int, int>({"count", "zoomTo", "hovered", "expected"});
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
