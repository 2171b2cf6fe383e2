// Files dropped onto the grid from another application: stopped by a name that exists or an
// original that cannot be removed, refused without a folder. That a plain drop moves the files
// in and lists them is driven end to end by the real-input and window scenarios.

#include "GridInputTestSupport.h"
#include "sidebar/ErrorSheet.h"
#include "support/Modifiers.h"

namespace {

std::unique_ptr<QMimeData> fileDrag(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

} // namespace

class GridDropTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_shown = m_dir->filePath(QStringLiteral("shown"));
        m_outside = m_dir->filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(m_shown));
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            lmrtest::writeFile(m_outside + u'/' + QLatin1String(name), QByteArray("new ") + name);
        QVERIFY(setUpGrid(m_view, m_delegate, 4));
        m_delegate.displayedItem = std::make_shared<LMRFileSystemItem>(m_shown);
        m_alerts.clear();
        m_previousHandler = LMRErrorSheet::setHandlerForTesting(
            [this](QWidget *window, const QString &text) { m_alerts.push_back({window, text}); });
    }
    void cleanup()
    {
        LMRErrorSheet::setHandlerForTesting(m_previousHandler);
        m_view.reset();
        m_dir.reset();
    }

    // Where the keyboard state comes from: the drop event, the window system's answer to a
    // query (X11), or nowhere (Wayland while another program drags).
    void dropDecision_data()
    {
        lmrtest::columns<int, int, int, bool, int, int>(
            {"possible", "proposed", "eventModifiers", "canQuery", "queried", "expected"});
        const int both = Qt::CopyAction | Qt::MoveAction;
        const int copy = Qt::CopyAction, move = Qt::MoveAction, none = Qt::IgnoreAction;
        const int ctrl = Qt::ControlModifier, ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        const int nothing = Qt::NoModifier;
        QTest::newRow("X11, Ctrl queried") << both << copy << nothing << true << ctrl << copy;
        QTest::newRow("event's Ctrl+Shift wins over a stale Ctrl") << both << copy << ctrlShift << true << ctrl << move;
        QTest::newRow("Wayland, no keys: move") << both << copy << nothing << false << ctrl << move;
        QTest::newRow("Wayland, source offers copying only") << copy << copy << nothing << false << nothing << copy;
        QTest::newRow("X11, source without move refuses a move") << copy << copy << nothing << true << nothing << none;
        QTest::newRow("Ctrl asks a copy the source forbids") << move << move << ctrl << false << nothing << none;
    }
    void dropDecision()
    {
        QFETCH(int, possible);
        QFETCH(int, proposed);
        QFETCH(int, eventModifiers);
        QFETCH(bool, canQuery);
        QFETCH(int, queried);
        QFETCH(int, expected);
        QCOMPARE(LMREvent::dropAction(Qt::DropActions(possible), Qt::DropAction(proposed),
                                      Qt::KeyboardModifiers(eventModifiers), canQuery, Qt::KeyboardModifiers(queried)),
                 Qt::DropAction(expected));
    }

    // A name that exists, or a move whose original cannot be removed, stops the drop with one
    // alert; what arrived is listed, what follows is not touched.
    void aProblemStopsTheDrop_data()
    {
        lmrtest::columns<QString, QStringList, QByteArray>({"problem", "listed", "shownB"});
        QTest::newRow("an existing name") << "exists" << QStringList{"a.jpg"} << QByteArray("old b.jpg");
        QTest::newRow("across file systems, original kept") << "kept" << QStringList{"a.jpg", "b.jpg"}
                                                           << QByteArray("new b.jpg");
    }
    void aProblemStopsTheDrop()
    {
        QFETCH(QString, problem);
        QFETCH(QStringList, listed);
        QString b = m_outside + "/b.jpg";
        QTemporaryDir otherFileSystem(QStringLiteral("/dev/shm/lumory-drop-XXXXXX"));
        for (const auto &[path, mode] : {std::pair{m_dir->path(), 0755}, {m_shown, 0777}, {m_outside, 0777}})
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
        if (problem == "exists") {
            lmrtest::writeFile(m_shown + "/b.jpg", "old b.jpg");
        } else {
            struct stat here {}, there {};
            if (!otherFileSystem.isValid() || ::stat(QFile::encodeName(m_shown).constData(), &here) != 0
                || ::stat(QFile::encodeName(otherFileSystem.path()).constData(), &there) != 0
                || here.st_dev == there.st_dev)
                QSKIP("no second file system at hand");
            // Readable, but nothing in it can be removed, by root's stand-in "nobody" either.
            b = lmrtest::writeFile(otherFileSystem.path() + "/locked/b.jpg", "new b.jpg");
            for (const auto &[path, mode] : {std::pair{otherFileSystem.path(), 0755}, {otherFileSystem.path() + "/locked", 0555}})
                QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
        }
        const auto data = fileDrag({m_outside + "/a.jpg", b, m_outside + "/c.jpg"});
        enter(*data);
        Qt::DropAction reported;
        {
            const lmrtest::UnprivilegedFileAccess asNobody;
            reported = drop(*data);
        }
        ::chmod(QFile::encodeName(otherFileSystem.path() + "/locked").constData(), 0755);
        // A stopped move is reported as a copy: the source must not delete what stayed behind.
        QCOMPARE(reported, Qt::CopyAction);

        QCOMPARE(m_alerts.size(), size_t(1));
        QCOMPARE(m_alerts.front().first, m_view->window());
        QVERIFY2(m_alerts.front().second.contains("b.jpg"), qPrintable(m_alerts.front().second));
        QStringList received;
        for (const QString &name : listed)
            received << m_shown + u'/' + name;
        QCOMPARE(m_delegate.received, std::vector<QStringList>{received});
        QTEST(lmrtest::readFile(m_shown + "/b.jpg"), "shownB");
        QCOMPARE(lmrtest::readFile(b), QByteArray("new b.jpg"));
        QCOMPARE(lmrtest::readFile(m_outside + "/c.jpg"), QByteArray("new c.jpg"));
        QVERIFY(!QFile::exists(m_shown + "/c.jpg"));
        QVERIFY(!m_view->drawFocusRing());
    }

    // Without a folder on show a drag is refused, and whether or not its leave arrives, the
    // next press is the grid's own.
    void refusedWithoutAFolder()
    {
        m_delegate.displayedItem = nullptr;
        const auto data = fileDrag({m_outside + "/a.jpg"});
        QCOMPARE(enter(*data), Qt::IgnoreAction);
        QCOMPARE(drop(*data), Qt::IgnoreAction);
        QVERIFY(QFile::exists(m_outside + "/a.jpg"));
        QVERIFY(m_delegate.received.empty());
        press(*m_view, itemCenter(*m_view, 1));
        QVERIFY(!m_view->draggingEntered());
        moveTo(*m_view, itemCenter(*m_view, 1) + QPointF(0, 20));
        QCOMPARE(m_view->drags.size(), size_t(1));
    }

private:
    // Delivers one drag event of type E to the viewport; the action it accepts, or none.
    template <class E>
    Qt::DropAction deliver(const QMimeData &data, const QPoint &pos)
    {
        E event(pos, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view->viewport(), &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }
    Qt::DropAction enter(const QMimeData &data) { return deliver<QDragEnterEvent>(data, QPoint(500, 150)); }
    Qt::DropAction drop(const QMimeData &data) { return deliver<QDropEvent>(data, QPoint(510, 150)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_shown;
    QString m_outside;
    RecordingGridDelegate m_delegate;
    std::unique_ptr<ObservedGrid> m_view;
    std::vector<std::pair<QWidget *, QString>> m_alerts;
    LMRErrorSheet::Handler m_previousHandler;
};

LMR_REGISTER_TEST(GridDropTest);
#include "GridDropTest.moc"
