// Drops onto the sidebar's rows: where they land, what is refused, and where a failure stops.

#include "SidebarTestSupport.h"

#include "sidebar/ErrorSheet.h"

using namespace sidebartest;

class SidebarInteractionTest : public QObject
{
    Q_OBJECT

private:
    // A root R with folders Target and Shown, and loose files one, two, three to drop.
    void openRoot()
    {
        makeFolders(m_root, {"R/Target", "R/Shown", "Outside"});
        for (const char *name : {"one", "two", "three"})
            lmrtest::writeFile(m_root + "/Outside/" + name + ".jpg", QByteArray(name));
        m_delegate = &launch(m_app);
        m_delegate->setSidebarRootURL(m_root + "/R");
        QVERIFY(waitForRoot(*m_delegate, m_root + "/R"));
    }

    // Sends the drag and the drop as the platform would; answers whether the drop was taken.
    bool drop(const QStringList &uris, const QPoint &at, bool *moveAccepted = nullptr)
    {
        OutlineView *view = outline(*m_delegate);
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uris.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        if (moveAccepted)
            *moveAccepted = move.isAccepted();
        QDropEvent dropped(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &dropped);
        return dropped.isAccepted();
    }

    QString fileUri(const QString &name) const
    {
        return QUrl::fromLocalFile(m_root + "/Outside/" + name).toString();
    }

private slots:
    void init()
    {
        QVERIFY(!(m_root = freshRoot(m_dir)).isEmpty());
        m_alerts.clear();
        LMRErrorSheet::setHandlerForTesting([this](QWidget *, const QString &text) { m_alerts << text; });
    }

    void cleanup()
    {
        m_app.reset();
        LMRErrorSheet::setHandlerForTesting(nullptr);
    }

    // Onto a row the files move (which modifiers copy is the grid drop tests' matter, what a
    // copy gives the transfer tests'); the folder on show refuses (already while the drag
    // moves); empty space stands for the root. "Shown" is selected.
    void dropOnto_data()
    {
        // row empty: below every row
        // arrivesIn empty: refused
        lmrtest::columns<QString, QString>({"row", "arrivesIn"});
        QTest::newRow("onto a row") << "Target" << "/R/Target";
        QTest::newRow("the folder on show refuses") << "Shown" << "";
        QTest::newRow("empty space is the root") << "" << "/R";
    }
    void dropOnto()
    {
        QFETCH(QString, row);
        QFETCH(QString, arrivesIn);
        openRoot();
        OutlineView *view = outline(*m_delegate);
        view->selectRow(rowOf(*m_delegate, "Shown"));
        const QPoint at = row.isEmpty() ? emptySpace(view) : rowCenter(view, rowOf(*m_delegate, row));
        bool moveAccepted = false;
        QCOMPARE(drop({fileUri("one.jpg"), fileUri("two.jpg")}, at, &moveAccepted), !arrivesIn.isEmpty());
        QCOMPARE(moveAccepted, !arrivesIn.isEmpty());
        for (const QString &name : {"one.jpg", "two.jpg"}) {
            QCOMPARE(lmrtest::readFile(m_root + (arrivesIn.isEmpty() ? "/R/Shown/" : arrivesIn + '/') + name),
                     arrivesIn.isEmpty() ? QByteArray("<missing>") : name.left(3).toLatin1());
            QCOMPARE(QFile::exists(m_root + "/Outside/" + name), arrivesIn.isEmpty());
        }
        QVERIFY(m_alerts.isEmpty());
    }

    // The first failure ends the drop with an alert; what was transferred before stays and
    // nothing standing under the name is replaced.
    void dropFailuresStopTheDrop()
    {
        openRoot();
        lmrtest::writeFile(m_root + "/R/Target/two.jpg", "old");
        const QPoint target = rowCenter(outline(*m_delegate), rowOf(*m_delegate, "Target"));

        QVERIFY(!drop({fileUri("one.jpg"), fileUri("two.jpg"), fileUri("three.jpg")}, target));
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.constFirst().contains(QStringLiteral("two.jpg")));
        QCOMPARE(lmrtest::readFile(m_root + "/R/Target/one.jpg"), QByteArray("one"));
        QCOMPARE(lmrtest::readFile(m_root + "/R/Target/two.jpg"), QByteArray("old"));
        QCOMPARE(lmrtest::readFile(m_root + "/Outside/two.jpg"), QByteArray("two"));
        QVERIFY(QFile::exists(m_root + "/Outside/three.jpg"));
        QVERIFY(!QFile::exists(m_root + "/R/Target/three.jpg"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    std::unique_ptr<lmrtest::AppSession> m_app;
    AppDelegate *m_delegate = nullptr;
    QStringList m_alerts;
};

LMR_REGISTER_TEST(SidebarInteractionTest);
#include "SidebarInteractionTest.moc"
