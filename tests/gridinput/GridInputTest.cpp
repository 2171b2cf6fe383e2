// Presses, drags and releases on the grid: the click rules with their notifications, ranges,
// the drag threshold, the rubber band, double-clicks and the context menu's selection. Keys on
// the grid: moves with and without Shift, and the paths of a selection copied to the
// clipboard. What Return, Space and a double-click open is driven by the scenarios.

#include "GridInputTestSupport.h"

Q_DECLARE_METATYPE(std::vector<Indices>)

namespace {
const qint64 none = LMRNotFound;
// In the padding between items 0 and 1 of the first row: empty space.
const QPointF padding(344, 150);
// Inside item 0's frame but outside its thumbnail.
const QPointF frameEdge(40, 150);
} // namespace

class GridInputTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(setUpGrid(m_view, m_delegate, 10)); }   // rows 0-2, 3-5, 6-8, and 9 alone
    void cleanup() { m_view.reset(); }

    // Starting from {1, 2} with anchor 2; Alt and Meta count like Ctrl.
    void clickTable_data()
    {
        // target -1: the padding between items 0 and 1; -2: the outer edge of item 0's thumbnail,
        // outside its hit area; 11: the cell of a missing item in the short last row, scrolled to
        lmrtest::columns<int, qint64, Indices, qint64, std::vector<Indices>>(
            {"modifiers", "target", "after", "anchorAfter", "told"});
        const int plain = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        using Told = std::vector<Indices>;
        QTest::newRow("plain, unselected: deselect, then add") << plain << qint64(3) << Indices{3} << qint64(3)
                                                               << Told{{}, {3}};
        QTest::newRow("plain, selected: just that one") << plain << qint64(1) << Indices{1} << qint64(1)
                                                        << Told{{}, {1}};
        QTest::newRow("plain, empty space: deselect all") << plain << qint64(-1) << Indices{} << none << Told{{}};
        QTest::newRow("plain, edge of a thumbnail") << plain << qint64(-2) << Indices{} << none << Told{{}};
        QTest::newRow("plain, cell of a missing item") << plain << qint64(11) << Indices{} << none << Told{{}};
        QTest::newRow("shift, unselected: range from the anchor")
            << shift << qint64(5) << Indices{1, 2, 3, 4, 5} << qint64(5) << Told{{1, 2, 3, 4, 5}};
        QTest::newRow("shift, selected: nothing") << shift << qint64(1) << Indices{1, 2} << qint64(2) << Told{};
        QTest::newRow("ctrl, unselected: add") << ctrl << qint64(4) << Indices{1, 2, 4} << qint64(4) << Told{{1, 2, 4}};
        QTest::newRow("ctrl, selected: remove, anchor stays") << ctrl << qint64(1) << Indices{2} << qint64(2)
                                                              << Told{{2}};
        QTest::newRow("ctrl, empty space: nothing") << ctrl << qint64(-1) << Indices{1, 2} << qint64(2) << Told{};
        QTest::newRow("alt, selected: remove") << int(Qt::AltModifier) << qint64(2) << Indices{1} << qint64(2)
                                               << Told{{1}};
    }
    void clickTable()
    {
        QFETCH(int, modifiers);
        QFETCH(qint64, target);
        startWith(*m_view, m_delegate, {1, 2});
        // Scrolled down, a press must be translated into the document to miss the items above.
        if (target > 9)
            m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
        const QPointF at = target == -1 ? padding : target == -2 ? QPointF(48, 150) : itemCenter(*m_view, target);
        click(*m_view, at, Qt::KeyboardModifiers(modifiers));
        QTEST(m_view->selection().indices(), "after");
        QTEST(m_view->lastSelectedIndex(), "anchorAfter");
        QTEST(m_delegate.selectionsTold, "told");
    }

    // A press on item 4 (or on the selected item 1) moved by (dx, dy) and released.
    void dragThreshold_data()
    {
        // dragged empty: no drag session
        lmrtest::columns<qint64, QPointF, Indices, Indices>({"pressed", "movement", "after", "dragged"});
        QTest::newRow("4 points is a click") << qint64(4) << QPointF(0, 4) << Indices{4} << Indices{};
        QTest::newRow("5 points drags, selecting the pressed item first")
            << qint64(4) << QPointF(3, 4) << Indices{4} << Indices{4};
        QTest::newRow("5 points on a selected item drags the whole selection")
            << qint64(1) << QPointF(0, -5) << Indices{1, 2} << Indices{1, 2};
    }
    void dragThreshold()
    {
        QFETCH(qint64, pressed);
        QFETCH(QPointF, movement);
        QFETCH(Indices, dragged);
        startWith(*m_view, m_delegate, {1, 2});
        const QPointF p = itemCenter(*m_view, pressed);
        press(*m_view, p);
        moveTo(*m_view, p + movement);
        if (!dragged.empty())
            moveTo(*m_view, p + movement * 2);   // later moves of the same press start nothing more
        release(*m_view, p + movement);
        QTEST(m_view->selection().indices(), "after");
        if (dragged.empty()) {
            QVERIFY(m_view->drags.empty());
            return;
        }
        QList<QUrl> urls;
        for (qint64 index : dragged)
            urls << QUrl::fromLocalFile(QStringLiteral("/pictures/image%1.jpg").arg(index));
        QCOMPARE(m_view->drags, std::vector<QList<QUrl>>{urls});
        QVERIFY(!m_view->marqueeActive());
    }

    // A band from the padding between items 0 and 1 to (701, 500) touches items 1, 2, 4 and 5;
    // shrunk back above row 1 and short of item 2 it drops what it leaves.
    void marquee_data()
    {
        lmrtest::columns<Indices, int, Indices, Indices>({"before", "modifiers", "after", "shrunk"});
        QTest::newRow("plain: the touched items") << Indices{7} << 0 << Indices{1, 2, 4, 5} << Indices{1};
        QTest::newRow("ctrl: touched items toggled") << Indices{0, 1} << int(Qt::ControlModifier)
                                                     << Indices{0, 2, 4, 5} << Indices{0};
        QTest::newRow("shift toggles as well") << Indices{5, 9} << int(Qt::ShiftModifier) << Indices{1, 2, 4, 9}
                                               << Indices{1, 5, 9};
    }
    void marquee()
    {
        QFETCH(Indices, before);
        QFETCH(int, modifiers);
        QFETCH(Indices, after);
        QFETCH(Indices, shrunk);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        startWith(*m_view, m_delegate, before);
        press(*m_view, padding, mods);
        moveTo(*m_view, QPointF(700, 500), mods);
        QVERIFY(m_view->marqueeActive());
        QCOMPARE(m_view->selection().indices(), before);   // the band is drawn from the next move on
        for (const auto &[point, expected] : {std::pair{QPointF(701, 500), after}, {QPointF(640, 250), shrunk}}) {
            moveTo(*m_view, point, mods);
            QCOMPARE(m_view->selection().indices(), expected);
        }
        release(*m_view, QPointF(640, 250), mods);
        QVERIFY(!m_view->marqueeActive());
        QCOMPARE(m_view->selection().indices(), shrunk);
        QVERIFY(m_view->drags.empty());
    }

    void contextMenuSelection_data()
    {
        // target -1: padding, -2: the edge of item 0's frame
        lmrtest::columns<qint64, Indices>({"target", "after"});
        QTest::newRow("unselected item: only it") << qint64(4) << Indices{4};
        QTest::newRow("item of the selection: selection kept") << qint64(1) << Indices{1, 2};
        QTest::newRow("padding: deselects") << qint64(-1) << Indices{};
        // A click there is empty space, the menu still belongs to the item.
        QTest::newRow("item frame outside the hit area: the item") << qint64(-2) << Indices{0};
    }
    void contextMenuSelection()
    {
        QFETCH(qint64, target);
        QFETCH(Indices, after);
        QMenu menu;
        m_view->setItemPopUpMenu(&menu);
        startWith(*m_view, m_delegate, {1, 2});
        const QPointF p = target == -1 ? padding : target == -2 ? frameEdge : itemCenter(*m_view, target);
        QContextMenuEvent event(QContextMenuEvent::Mouse, p.toPoint(), m_view->viewport()->mapToGlobal(p.toPoint()));
        QCoreApplication::sendEvent(m_view->viewport(), &event);
        // Nothing happens inside the event: the menu comes after it.
        QVERIFY(m_view->menus.empty());
        QCOMPARE(m_view->selection().indices(), (Indices{1, 2}));
        QTRY_COMPARE(m_view->menus.size(), size_t(1));
        QCOMPARE(m_view->selection().indices(), after);
        QCOMPARE(m_view->menus.front(), m_view->viewport()->mapToGlobal(p.toPoint()));
    }

    void moves_data()
    {
        // before: the last one is the anchor
        lmrtest::columns<Indices, int, int, Indices, qint64>({"before", "key", "modifiers", "after", "anchorAfter"});
        const int shift = Qt::ShiftModifier;
        QTest::newRow("down") << Indices{4} << int(Qt::Key_Down) << 0 << Indices{7} << qint64(7);
        QTest::newRow("right wraps to the next row") << Indices{5} << int(Qt::Key_Right) << 0 << Indices{6}
                                                     << qint64(6);
        QTest::newRow("left at the first item stays") << Indices{0} << int(Qt::Key_Left) << 0 << Indices{0}
                                                      << qint64(0);
        QTest::newRow("shift-down adds only the target") << Indices{2, 3} << int(Qt::Key_Down) << shift
                                                         << Indices{2, 3, 6} << qint64(6);
        // Row 3 is below the viewport: the move scrolls its target into view.
        QTest::newRow("shift-down into the short last row") << Indices{6} << int(Qt::Key_Down) << shift
                                                            << Indices{6, 9} << qint64(9);
        QTest::newRow("shift-down above a missing cell does nothing") << Indices{7} << int(Qt::Key_Down) << shift
                                                                      << Indices{7} << qint64(7);
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
        else
            QVERIFY(m_view->documentVisibleRect().contains(m_view->cellRectForItemIndex(quint64(anchorAfter))));
    }

    void clipboardText_data()
    {
        lmrtest::columns<Indices, QString>({"selection", "text"});
        QTest::newRow("paths of 4 and 2, in index order")
            << Indices{4, 2} << "/pictures/image2.jpg\n/pictures/image4.jpg\n";
        QTest::newRow("empty selection leaves the clipboard") << Indices{} << "untouched";
    }
    // One item's path or name, copied with the keys, is the real-input tests' matter.
    void clipboardText()
    {
        QFETCH(Indices, selection);
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        startWith(*m_view, m_delegate, selection);
        m_view->copy();
        QTEST(QGuiApplication::clipboard()->text(), "text");
    }

private:
    RecordingGridDelegate m_delegate;
    std::unique_ptr<ObservedGrid> m_view;
};

LMR_REGISTER_TEST(GridInputTest);
#include "GridInputTest.moc"
