// The selection operations the owner and the input handlers use: what they select, how often
// the delegate hears of it, where the anchor goes, and which cells they repaint.

#include "GridTestSupport.h"
#include "prefs/Preferences.h"
#include "support/TestRunner.h"

using Indices = std::vector<qint64>;
Q_DECLARE_METATYPE(Indices)

class GridSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
        m_delegate = FakeGridDelegate();
        m_delegate.count = 10;
        m_view = std::make_unique<ImageCollectionView>();
        m_view->setDelegate(&m_delegate);
        m_view->setItemSize(288);
        m_view->reloadData();
    }
    void cleanup() { m_view.reset(); }

    // Each row: a starting selection and anchor, one operation, and what must follow.
    void operations_data()
    {
        QTest::addColumn<Indices>("before");
        QTest::addColumn<qint64>("anchor");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<qint64>("argument");
        QTest::addColumn<Indices>("after");
        QTest::addColumn<qint64>("anchorAfter");
        QTest::addColumn<int>("told");
        const qint64 none = LMRNotFound;
        QTest::newRow("extend without anchor adds one") << Indices{} << none << "extend" << qint64(5)
                                                        << Indices{5} << qint64(5) << 1;
        QTest::newRow("remove nothing still tells") << Indices{2} << qint64(2) << "removeNone" << qint64(0)
                                                    << Indices{2} << qint64(2) << 1;
        QTest::newRow("deselect all of nothing is not told") << Indices{} << qint64(4) << "deselectAll"
                                                             << qint64(0) << Indices{} << none << 0;
        QTest::newRow("select all clears the anchor") << Indices{2} << qint64(2) << "selectAll" << qint64(0)
                                                      << Indices{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << none << 2;
        QTest::newRow("replace takes the anchor along, untold") << Indices{3} << qint64(3) << "replace"
                                                                << qint64(8) << Indices{8} << qint64(8) << 0;
    }
    void operations()
    {
        QFETCH(Indices, before);
        QFETCH(qint64, anchor);
        QFETCH(QString, operation);
        QFETCH(qint64, argument);
        // Reach the starting state through the operations themselves, then count afresh.
        for (qint64 index : before)
            m_view->addItemAtIndexToSelection(index);
        if (anchor != LMRNotFound && (before.empty() || before.back() != anchor)) {
            m_view->addItemAtIndexToSelection(anchor);
            if (std::find(before.begin(), before.end(), anchor) == before.end())
                m_view->removeItemsAtIndexPathsFromSelection({anchor});
        }
        QCOMPARE(m_view->lastSelectedIndex(), anchor);
        m_delegate.selectionDidChangeCalls = 0;

        if (operation == "extend")
            m_view->extendLastSelectionTo(argument);
        else if (operation == "removeNone")
            m_view->removeItemsAtIndexPathsFromSelection({});
        else if (operation == "deselectAll")
            m_view->deselectAll();
        else if (operation == "selectAll")
            m_view->selectAll();
        else if (operation == "replace")
            m_view->replaceSelection(LMRIndexSet{argument}, argument);

        QTEST(m_view->selection().indices(), "after");
        QTEST(m_view->lastSelectedIndex(), "anchorAfter");
        QTEST(m_delegate.selectionDidChangeCalls, "told");
    }

    void changesRepaintOnlyChangedCells()
    {
        QVERIFY(showGrid(*m_view, 1000, 700));
        m_view->reloadData();
        m_view->addItemAtIndexToSelection(1);
        settle(*m_view);
        PaintRecorder recorder(m_view->viewport());
        m_view->extendLastSelectionTo(2);
        QTRY_VERIFY(recorder.paints > 0);
        QCOMPARE(recorder.region, QRegion(viewportRect(*m_view, m_view->cellRectForItemIndex(1)))
                                      + QRegion(viewportRect(*m_view, m_view->cellRectForItemIndex(2))));
    }

private:
    FakeGridDelegate m_delegate;
    std::unique_ptr<ImageCollectionView> m_view;
};

LMR_REGISTER_TEST(GridSelectionTest);
#include "GridSelectionTest.moc"
