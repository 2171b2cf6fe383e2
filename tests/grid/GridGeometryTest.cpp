// Tooltips. Which item a click hits is the input tests' matter; the visible range is the
// loading tests'.

#include "GridTestSupport.h"

class GridGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_view = makeGrid(m_delegate); }
    void cleanup() { m_view.reset(); }

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
