// Keys on the grid: moves with and without Shift, opening, deleting, select-all and scrolling.

#include "GridInputTestSupport.h"
#include "support/TestRunner.h"

class GridKeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_delegate = RecordingGridDelegate();
        m_view = std::make_unique<ObservedGrid>();
        QVERIFY(setUpGrid(*m_view, m_delegate, 10));   // rows 0-2, 3-5, 6-8, and 9 alone
    }
    void cleanup() { m_view.reset(); }

    void moves_data()
    {
        QTest::addColumn<Indices>("before");   // the last one is the anchor
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<Indices>("after");
        QTest::addColumn<qint64>("anchorAfter");
        const int shift = Qt::ShiftModifier;
        QTest::newRow("down") << Indices{4} << int(Qt::Key_Down) << 0 << Indices{7} << qint64(7);
        QTest::newRow("right wraps to the next row") << Indices{5} << int(Qt::Key_Right) << 0 << Indices{6}
                                                     << qint64(6);
        QTest::newRow("left at the first item stays") << Indices{0} << int(Qt::Key_Left) << 0 << Indices{0}
                                                      << qint64(0);
        QTest::newRow("shift-down adds only the target") << Indices{2, 3} << int(Qt::Key_Down) << shift
                                                         << Indices{2, 3, 6} << qint64(6);
        QTest::newRow("shift-down into the short last row") << Indices{6} << int(Qt::Key_Down) << shift
                                                            << Indices{6, 9} << qint64(9);
        QTest::newRow("shift-down above a missing cell does nothing") << Indices{7} << int(Qt::Key_Down) << shift
                                                                      << Indices{7} << qint64(7);
        QTest::newRow("shift-left") << Indices{4} << int(Qt::Key_Left) << shift << Indices{3, 4} << qint64(3);
        QTest::newRow("no anchor: right selects item 0") << Indices{} << int(Qt::Key_Right) << 0 << Indices{0}
                                                         << qint64(0);
        QTest::newRow("no anchor: up selects item 0") << Indices{} << int(Qt::Key_Up) << shift << Indices{0}
                                                      << qint64(0);
    }
    void moves()
    {
        QFETCH(Indices, before);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(Indices, after);
        QFETCH(qint64, anchorAfter);
        startWith(*m_view, m_delegate, before);
        QTest::keyClick(m_view.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_view->selection().indices(), after);
        QCOMPARE(m_view->lastSelectedIndex(), anchorAfter);
        if (after == before)
            QVERIFY(m_delegate.selectionsTold.empty());
    }

    void moveScrollsTheTargetIntoView()
    {
        startWith(*m_view, m_delegate, {6});
        QVERIFY(!m_view->documentVisibleRect().contains(m_view->cellRectForItemIndex(9)));
        QTest::keyClick(m_view.get(), Qt::Key_Down);
        QCOMPARE(m_view->selection().indices(), Indices{9});
        QVERIFY(m_view->documentVisibleRect().contains(m_view->cellRectForItemIndex(9)));
    }

    void opening_data()
    {
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<Indices>("before");
        QTest::addColumn<int>("key");
        QTest::addColumn<Indices>("opened");
        QTest::newRow("return opens the anchor") << false << Indices{2, 5} << int(Qt::Key_Return) << Indices{5};
        QTest::newRow("space") << false << Indices{8} << int(Qt::Key_Space) << Indices{8};
        QTest::newRow("return after select all does nothing") << true << Indices{} << int(Qt::Key_Return)
                                                              << Indices{};
        QTest::newRow("space with nothing selected does nothing") << false << Indices{} << int(Qt::Key_Space)
                                                                  << Indices{};
    }
    void opening()
    {
        QFETCH(bool, selectAll);
        QFETCH(Indices, before);
        QFETCH(int, key);
        QFETCH(Indices, opened);
        startWith(*m_view, m_delegate, before);
        if (selectAll)
            m_view->selectAll();
        QTest::keyClick(m_view.get(), Qt::Key(key));
        QCOMPARE(m_delegate.opened, opened);
    }

    void deleteKeysAskEvenWithNothingSelected()
    {
        QTest::keyClick(m_view.get(), Qt::Key_Delete);
        QTest::keyClick(m_view.get(), Qt::Key_Backspace);
        QCOMPARE(m_delegate.deleteRequests, 2);
        QVERIFY(m_view->selection().isEmpty());
    }

    void homeEndAndPages()
    {
        QVERIFY(setUpGrid(*m_view, m_delegate, 60));
        QScrollBar *bar = m_view->verticalScrollBar();
        QVERIFY(bar->maximum() > 1400);
        QTest::keyClick(m_view.get(), Qt::Key_End);
        QCOMPARE(bar->value(), bar->maximum());
        QTest::keyClick(m_view.get(), Qt::Key_Home);
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(m_view.get(), Qt::Key_PageDown);
        QCOMPARE(bar->value(), 700);
        QTest::keyClick(m_view.get(), Qt::Key_PageUp);
        QCOMPARE(bar->value(), 0);
        QVERIFY(m_view->selection().isEmpty());
    }

private:
    RecordingGridDelegate m_delegate;
    std::unique_ptr<ObservedGrid> m_view;
};

LMR_REGISTER_TEST(GridKeyboardTest);
#include "GridKeyboardTest.moc"
