// The sidebar's folders: the history of entered folders, what is listed, what the grid shows,
// folders that vanish or cannot be read, stale walks, and the sort order.

#include "SidebarTestSupport.h"

#include "app/BusyIndicator.h"

#include <optional>
#include <sys/stat.h>

using namespace sidebartest;

class SidebarNavigationTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(!(m_root = freshRoot(m_dir)).isEmpty()); }

    void cleanup()
    {
        m_app.reset();
        Preferences::sharedInstance().clearForTesting();
    }

    // A, B inside A, C inside B: entering folders with the keyboard grows the history; a root
    // that cannot be listed keeps the root and the history. (The scenarios enter with a
    // double-click and go back with the pop-up; the enclosing-folder and Open commands are seen
    // at their first use; a folder handed over at start is the main window test's.)
    void historyFollowsEnteringAndGoingBack()
    {
        makeFolders(m_root, {"A/B/C"});
        AppDelegate &d = launch(m_app);
        OutlineView *view = outline(d);
        d.didEndOpenPanel(QDialog::Accepted, m_root + "/A");
        QVERIFY(waitForRoot(d, m_root + "/A"));
        for (const QString name : {"B", "C"}) {
            const QString next = d.sidebarRootFolderItem->path() + '/' + name;
            view->selectRow(rowOf(d, name));
            QTest::keyClick(view, Qt::Key_Return);
            QVERIFY(waitForRoot(d, next));
        }
        QCOMPARE(historyNames(d), QStringList({"A", "B", "C"}));

        const LMRItemPtr reached = d.sidebarRootFolderItem;
        d.setSidebarRootURL(m_root + "/gone");
        settle();
        QCOMPARE(d.sidebarRootFolderItem, reached);
        QCOMPARE(historyNames(d), QStringList({"A", "B", "C"}));
        QVERIFY(d.sidebarItems.empty() && !d.displayedSidebarItem);
    }

    // Hidden entries and files are left out; a package is listed but never entered. (A sort
    // that does nothing is seen at the first try; a descending sort keeps the selected row,
    // below.)
    void listing()
    {
        makeFolders(m_root, {"R/Photos", "R/.hidden", "R/Album.photoslibrary/inner"});
        lmrtest::writeFile(m_root + "/R/picture.jpg", "");
        AppDelegate &d = launch(m_app);
        d.setSidebarRootURL(m_root + "/R");
        QVERIFY(waitForRoot(d, m_root + "/R"));
        QCOMPARE(rowNames(d), QStringList({"Album.photoslibrary", "Photos"}));

        outline(d)->selectRow(rowOf(d, "Album.photoslibrary"));
        d.didDoubleClickOutlineView(outline(d));
        settle();
        QCoreApplication::processEvents();
        QCOMPARE(d.sidebarRootFolderItem->name(), QStringLiteral("R"));
        QCOMPARE(historyNames(d), QStringList({"R"}));
    }

    // Selecting a row shows that folder (what it lists is the scenarios' matter); a click beside
    // the rows shows the root.
    void selectionChoosesTheFolderOnShow()
    {
        makeFolders(m_root, {"R/One", "R/Two"});
        lmrtest::writeImage(m_root + "/R/root.png", 8, 8);
        AppDelegate &d = launch(m_app);
        OutlineView *view = outline(d);
        d.setSidebarRootURL(m_root + "/R");
        QVERIFY(waitForRoot(d, m_root + "/R"));
        QCOMPARE(d.displayedSidebarItem, d.sidebarRootFolderItem);

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCenter(view, rowOf(d, "Two")));
        QTRY_VERIFY(d.displayedSidebarItem && d.displayedSidebarItem->name() == QLatin1String("Two"));

        // Re-sorting keeps the selected row, so what is on show does not change.
        const LMRItemPtr shown = d.displayedSidebarItem;
        d.didChangeSidebarSortOptions(d.sortSidebarDescendingMenuItem);
        QCoreApplication::processEvents();
        QCOMPARE(rowNames(d), QStringList({"Two", "One"}));
        QCOMPARE(view->selectedRow(), rowOf(d, "One"));
        QCOMPARE(d.displayedSidebarItem, shown);

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, emptySpace(view));
        QCOMPARE(view->selectedRow(), -1);
        QTRY_COMPARE(d.displayedSidebarItem, d.sidebarRootFolderItem);
        QTRY_VERIFY(d.thumbnailItems.size() == 1 && d.thumbnailItems.front()->name() == QLatin1String("root.png"));
    }

    // A folder removed from outside before its row was first drawn (far down a long list),
    // then gone to with End, which shows it: the row is drawn with a generic icon, no dialog
    // comes up however often the list repaints, one log line says why, and the next walk of the
    // root leaves the row out.
    void folderRemovedBeforeItsRowIsDrawn()
    {
        QStringList folders;
        for (int i = 0; i < 80; ++i)
            folders << QStringLiteral("R/f%1").arg(i, 2, 10, QLatin1Char('0'));
        makeFolders(m_root, folders);
        AppDelegate &d = launch(m_app);
        OutlineView *view = outline(d);
        QVERIFY(QTest::qWaitForWindowExposed(d.window));
        d.setSidebarRootURL(m_root + "/R");
        QVERIFY(waitForRoot(d, m_root + "/R"));
        const int last = view->model()->rowCount() - 1;
        const QString removed = rowNames(d).constLast();
        QVERIFY(view->visualRect(view->model()->index(last, 0)).top() > view->viewport()->height());
        QVERIFY(QDir(m_root + "/R/" + removed).removeRecursively());

        static int iconFailures = 0;
        iconFailures = 0;
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
            iconFailures += text.startsWith(QLatin1String("Couldn't get the item icon")) ? 1 : 0;
        });
        // A dialog would run its own event loop inside the paint; this closes and counts it.
        int dialogs = 0;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&dialogs] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ++dialogs;
                modal->close();
            }
        });
        closer.start(10);
        // The first key of a list without a current row goes to its first row.
        QTest::keyClick(view, Qt::Key_End);
        QTest::keyClick(view, Qt::Key_End);
        QTRY_VERIFY(d.displayedSidebarItem && d.displayedSidebarItem->name() == removed);
        for (int i = 0; i < 3; ++i) {
            view->viewport()->repaint();
            QTest::qWait(20);
        }
        qInstallMessageHandler(previous);
        QCOMPARE(dialogs, 0);
        QCOMPARE(iconFailures, 1);
        QVERIFY(!view->model()->data(view->model()->index(last, 0), Qt::DecorationRole).value<QIcon>().isNull());

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        view->deselectAll();
        d.refresh(nullptr);
        QVERIFY(waitForRoot(d, m_root + "/R"));
        QCOMPARE(view->numberOfRows(), 79);
        QCOMPARE(rowOf(d, removed), -1);
    }

    // Messages of a walk that was replaced never reach the list (the grid's side is the browse
    // tests' matter).
    void staleEnumerationMessagesAreDropped()
    {
        makeFolders(m_root, {"A/a1", "A/a2", "B/b1"});
        AppDelegate &d = launch(m_app);
        d.setSidebarRootURL(m_root + "/A");
        d.setSidebarRootURL(m_root + "/B");
        QVERIFY(waitForRoot(d, m_root + "/B"));
        QCOMPARE(rowNames(d), QStringList({"b1"}));
        QCOMPARE(outline(d)->numberOfRows(), 1);
    }

    // However a folder fails to list, the busy indicator stops and the window says why; showing
    // a readable folder takes the message away again.
    void unreadableFolderIsNamedInTheWindow_data()
    {
        lmrtest::columns<QString, QString>({"how", "reason"});
        QTest::newRow("root without permission") << "mode 000" << "Permission denied";
        QTest::newRow("listed folder removed, then chosen") << "remove S" << "No such file or directory";
        QTest::newRow("root removed, then refreshed") << "remove R" << "No such file or directory";
    }
    void unreadableFolderIsNamedInTheWindow()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        makeFolders(m_root, {"R/S", "ok"});
        lmrtest::writeImage(m_root + "/R/a.png", 8, 8);
        QVERIFY(::chmod(QFile::encodeName(m_root).constData(), 0755) == 0);
        AppDelegate &d = launch(m_app);
        QLabel *problem = d.folderProblemLabel;
        QVERIFY(problem && problem->isHidden());
        std::optional<lmrtest::UnprivilegedFileAccess> asNobody;
        if (how == "mode 000") {
            QVERIFY(::chmod(QFile::encodeName(m_root + "/R").constData(), 0) == 0);
            asNobody.emplace();
            d.setSidebarRootURL(m_root + "/R");
        } else {
            d.setSidebarRootURL(m_root + "/R");
            QVERIFY(waitForRoot(d, m_root + "/R"));
            QTRY_COMPARE(d.thumbnailItems.size(), size_t(1));
            if (how == "remove S") {
                QVERIFY(QDir(m_root + "/R/S").removeRecursively());
                outline(d)->selectRow(rowOf(d, "S"));
            } else {
                QVERIFY(QDir(m_root + "/R").removeRecursively());
                d.refresh(nullptr);
            }
        }
        QTRY_VERIFY(problem->isVisible() && problem->text().contains(reason));
        settle();
        asNobody.reset();
        ::chmod(QFile::encodeName(m_root + "/R").constData(), 0755);
        QVERIFY(!d.thumbnailLoadingSpinner->isAnimating());
        QVERIFY(d.thumbnailItems.empty());

        d.setSidebarRootURL(m_root + "/ok");
        QVERIFY(waitForRoot(d, m_root + "/ok"));
        QVERIFY(problem->isHidden());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    std::unique_ptr<lmrtest::AppSession> m_app;
};

LMR_REGISTER_TEST(SidebarNavigationTest);
#include "SidebarNavigationTest.moc"
