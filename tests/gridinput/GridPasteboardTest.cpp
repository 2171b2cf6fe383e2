// Paths and file names on the clipboard, and the open-with submenu emptied for empty space.

#include "GridInputTestSupport.h"
#include "support/TestRunner.h"

#include <QClipboard>
#include <QGuiApplication>

class GridPasteboardTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_delegate = RecordingGridDelegate();
        m_view = std::make_unique<ObservedGrid>();
        QVERIFY(setUpGrid(*m_view, m_delegate, 6));
        m_delegate.setPaths({"/a/w.jpg", "/a/v.png", "/a/x.jpg", "/a/z.mov", "/a/y.jpg", "/a/u.jpg"});
        m_view->reloadData();
    }
    void cleanup() { m_view.reset(); }

    void clipboardText_data()
    {
        QTest::addColumn<Indices>("selection");
        QTest::addColumn<bool>("namesOnly");
        QTest::addColumn<QString>("text");
        QTest::newRow("paths of 4 and 2, in index order") << Indices{4, 2} << false
                                                          << QStringLiteral("/a/x.jpg\n/a/y.jpg\n");
        QTest::newRow("names of 4 and 2") << Indices{4, 2} << true << QStringLiteral("x.jpg\ny.jpg\n");
        QTest::newRow("one path, no line break") << Indices{2} << false << QStringLiteral("/a/x.jpg");
        QTest::newRow("empty selection leaves the clipboard") << Indices{} << false << QStringLiteral("untouched");
    }
    void clipboardText()
    {
        QFETCH(Indices, selection);
        QFETCH(bool, namesOnly);
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        startWith(*m_view, m_delegate, selection);
        namesOnly ? m_view->copyFilenameOnly() : m_view->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
    }

    void ctrlCCopiesPaths()
    {
        startWith(*m_view, m_delegate, {0, 5});
        QTest::keyClick(m_view.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("/a/w.jpg\n/a/u.jpg\n"));
    }

    void openWithSubmenuIsEmptiedEveryTime()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Copy"));
        QAction *openWith = menu.addMenu(new QMenu(QStringLiteral("Open With"), &menu));
        openWith->setData(-1);
        openWith->menu()->addAction(QStringLiteral("Stale entry"));
        m_view->setItemPopUpMenu(&menu);

        // In the padding: no item, so the submenu stays empty.
        m_view->showPopUpMenuAtPoint(QPointF(344, 150));
        QCOMPARE(m_view->menus.size(), size_t(1));
        QVERIFY(m_view->menus.back().openWithTitles.isEmpty());
        QVERIFY(m_view->selection().isEmpty());
    }

private:
    RecordingGridDelegate m_delegate;
    std::unique_ptr<ObservedGrid> m_view;
};

LMR_REGISTER_TEST(GridPasteboardTest);
#include "GridPasteboardTest.moc"
