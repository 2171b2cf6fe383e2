// The grid as assistive technology sees it: its items through QAccessible queries, and the
// events that follow selection and focus. Nothing a sighted user does shows a fault here.

#include "GridInputTestSupport.h"
#include "grid/ImageCollectionViewAccessible.h"

namespace {

struct HeardEvent {
    QAccessible::Event type;
    int child;
};
std::vector<HeardEvent> g_heard;

} // namespace

class GridAccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(setUpGrid(m_view, m_delegate, 30));
        QStringList paths;
        for (int i = 0; i < 40; ++i)
            paths << QStringLiteral("/p/item%1.jpg").arg(i);
        m_delegate.setPaths(paths);
        m_view->reloadData();
        g_heard.clear();
        // No platform bridge listens under the offscreen platform; the test stands for one.
        LMRGridAccessibility::setEventSinkForTesting(
            [](const QAccessibleEvent &event) { g_heard.push_back({event.type(), event.child()}); });
    }
    void cleanup()
    {
        LMRGridAccessibility::setEventSinkForTesting(nullptr);
        m_view.reset();
    }

    // Names, places and states, after a scroll and a selection.
    void itemsAsListEntries_data()
    {
        lmrtest::columns<int, bool, bool>({"index", "selected", "offscreen"});
        QTest::newRow("scrolled away, selected") << 1 << true << true;
        QTest::newRow("on screen") << 4 << false << false;
        QTest::newRow("on screen, selected") << 5 << true << false;
        QTest::newRow("below the screen") << 14 << false << true;
    }
    void itemsAsListEntries()
    {
        QFETCH(int, index);
        QFETCH(bool, selected);
        QFETCH(bool, offscreen);
        // Rows 312 high in a 700 high viewport scrolled by one row: rows 1 to 3 (items 3 to 11).
        m_view->verticalScrollBar()->setValue(312);
        m_view->addItemAtIndexToSelection(1);
        m_view->addItemAtIndexToSelection(5);

        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(m_view.get());
        QVERIFY(grid);
        QCOMPARE(grid->role(), QAccessible::List);
        QCOMPARE(grid->childCount(), 40);
        QAccessibleInterface *item = grid->child(index);
        QVERIFY(item && item->isValid());
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(item->text(QAccessible::Name), QStringLiteral("item%1.jpg").arg(index));
        QCOMPARE(item->state().selected, selected);
        QCOMPARE(item->state().offscreen, offscreen);
        // Its place in the list, and the same object when asked again or found on screen.
        QCOMPARE(grid->indexOfChild(item), index);
        QCOMPARE(item->parent(), grid);
        QCOMPARE(grid->child(index), item);
        if (!offscreen)
            QCOMPARE(grid->childAt(item->rect().center().x(), item->rect().center().y()), item);
    }

    // Focus goes to the current item; selections are reported item by item, a large one at once.
    void eventsFollowSelectionAndFocus()
    {
        m_view->setFocus();
        QTRY_VERIFY(m_view->hasFocus());
        g_heard.clear();
        // Each step as its own user event, each heard as its outcome once the event is done.
        const std::vector<std::function<void()>> steps{
            [this] { click(*m_view, itemCenter(*m_view, 2)); },
            [this] { click(*m_view, itemCenter(*m_view, 4), Qt::ControlModifier); },
            [this] { QTest::keyClick(m_view.get(), Qt::Key_Right); },
            [this] { m_view->selectAll(); },
        };
        for (const auto &step : steps) {
            step();
            QCoreApplication::processEvents();
        }
        const std::vector<std::pair<QAccessible::Event, int>> expected{
            {QAccessible::Selection, 2}, {QAccessible::Focus, 2},     // a click: the one selected item
            {QAccessible::SelectionAdd, 4}, {QAccessible::Focus, 4},  // Ctrl-click adds
            {QAccessible::Selection, 5}, {QAccessible::Focus, 5},     // the arrow replaces both
            {QAccessible::SelectionWithin, -1}, {QAccessible::Focus, 0}, // all: the anchor is gone
        };
        std::vector<std::pair<QAccessible::Event, int>> heard;
        for (const HeardEvent &event : g_heard)
            if (event.type != QAccessible::TableModelChanged)
                heard.emplace_back(event.type, event.child);
        QCOMPARE(heard, expected);
        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(m_view.get());
        QCOMPARE(grid->focusChild(), grid->child(0));
        QVERIFY(grid->child(0)->state().focused);
    }

private:
    RecordingGridDelegate m_delegate;
    std::unique_ptr<ObservedGrid> m_view;
};

LMR_REGISTER_TEST(GridAccessibilityTest);
#include "GridAccessibilityTest.moc"
