// Columns, the index under a point, and tooltips. The visible range is the loading tests'
// matter: exactly the first screen, and at the end of a long list the items queued.

#include "GridTestSupport.h"

class GridGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_view = makeGrid(m_delegate); }
    void cleanup() { m_view.reset(); }

    // 312-point cells, three columns in 1000 points; a viewport narrower than a cell still has one.
    void itemIndexAtPoint_data()
    {
        lmrtest::columns<int, QPointF, quint64>({"width", "point", "index"});
        QTest::newRow("left margin belongs to column 0") << 1000 << QPointF(10, 10) << quint64(0);
        QTest::newRow("right margin belongs to the last column") << 1000 << QPointF(990, 10) << quint64(2);
        QTest::newRow("second row, middle column") << 1000 << QPointF(500, 320) << quint64(4);
        QTest::newRow("below the last item: beyond the count") << 1000 << QPointF(500, 3000) << quint64(28);
        QTest::newRow("narrower than a cell: one column") << 200 << QPointF(190, 320) << quint64(1);
    }
    void itemIndexAtPoint()
    {
        QFETCH(int, width);
        QFETCH(QPointF, point);
        m_delegate.count = 7;
        QVERIFY(showGrid(*m_view, width, 700));
        QTEST(m_view->itemIndexAtPoint(point), "index");
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
