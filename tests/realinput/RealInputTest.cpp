// The main window driven by real X input (xdotool on a private Xvfb, see run.sh), for what the
// offscreen platform cannot fake: drags to and from another process, the keyboard modifiers a
// drop reads while the mouse is still down, and the clipboard other programs see.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "model/DirectoryEnumerationThread.h"
#include "prefs/Preferences.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

namespace {

// Where the other application's window stands, beside the main window.
const QRect kPeerFrame(1150, 150, 360, 360);

QString global(const QPoint &point) { return QString::number(point.x()) + u' ' + QString::number(point.y()); }

// Runs one xdotool command line while this process keeps handling its events: the gestures it
// plays reach this very program.
bool xdotool(const QString &commands)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), commands.split(u' ', Qt::SkipEmptyParts));
    if (!process.waitForStarted())
        return false;
    const bool ended = QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000);
    if (!ended)
        process.kill();
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A press at from, a walk in small steps to to (so that both ends see a drag), and a release;
// keys are held down before and let go at the given moments.
QString dragCommands(const QPoint &from, const QPoint &to, const QString &heldAtPress, const QString &heldAtRelease)
{
    QString commands = QStringLiteral("mousemove --sync %1 sleep 0.2 ").arg(global(from));
    if (!heldAtPress.isEmpty())
        commands += QStringLiteral("keydown %1 ").arg(heldAtPress);
    commands += QStringLiteral("mousedown 1 ");
    for (int step = 1; step <= 12; ++step)
        commands += QStringLiteral("mousemove %1 sleep 0.08 ").arg(global(from + (to - from) * step / 12));
    if (heldAtPress != heldAtRelease) {
        if (!heldAtPress.isEmpty())
            commands += QStringLiteral("keyup %1 ").arg(heldAtPress);
        if (!heldAtRelease.isEmpty())
            commands += QStringLiteral("keydown %1 ").arg(heldAtRelease);
        commands += QStringLiteral("mousemove %1 sleep 0.3 ").arg(global(to + QPoint(3, 3)));
    }
    commands += QStringLiteral("mousemove %1 sleep 0.3 mouseup 1 sleep 0.2").arg(global(to));
    if (!heldAtRelease.isEmpty())
        commands += QStringLiteral(" keyup %1").arg(heldAtRelease);
    return commands;
}

// The other application: a drop target, a drag source or a clipboard reader (tests/realinput/peer).
class Peer
{
public:
    ~Peer()
    {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    // A window waits until it is on screen; the clipboard reader starts at once.
    bool start(const QStringList &arguments)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine())
                m_lines << QString::fromUtf8(m_process.readLine()).chopped(1);
        });
        m_process.start(QStringLiteral(LMR_DND_PEER), arguments);
        if (!m_process.waitForStarted())
            return false;
        return arguments.value(0) == QLatin1String("clipboard") || waitForLine(QStringLiteral("ready")).has_value();
    }
    // The first line beginning with prefix, once it is there.
    std::optional<QString> waitForLine(const QString &prefix, int timeoutMs = 20000)
    {
        std::optional<QString> found;
        auto look = [&] {
            for (const QString &line : std::as_const(m_lines))
                if (line.startsWith(prefix))
                    found = line;
            return found.has_value();
        };
        // A peer that has quit may still have its last lines unread.
        if (!QTest::qWaitFor([&] { return look() || m_process.state() == QProcess::NotRunning; }, timeoutMs) || !found)
            look();
        return found;
    }

private:
    QProcess m_process;
    QStringList m_lines;
};

} // namespace

class RealInputTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_shown;
    QString m_outside;
    std::unique_ptr<AppDelegate> m_delegate;

    ImageCollectionView *grid() const { return m_delegate->thumbnailsCollectionView; }
    QPoint itemOnScreen(qint64 index) const
    {
        const ImageCollectionView &view = *grid();
        const QRectF item = view.itemRectForCellRect(view.cellRectForItemIndex(quint64(index)));
        const QPointF centre = view.imageRectForItemRect(item).center() - QPointF(0, view.documentVisibleRect().y());
        return view.viewport()->mapToGlobal(centre.toPoint());
    }
    QString shownPath(int index) const { return m_delegate->thumbnailItems[size_t(index)]->path(); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server with xdotool: run through CTest (tests/realinput/run.sh)");
    }

    // A fresh main window over three images, listed and on screen at a known place.
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_shown = QDir(m_dir->path()).canonicalPath() + QStringLiteral("/shown");
        m_outside = QDir(m_dir->path()).canonicalPath() + QStringLiteral("/outside");
        for (const char *name : {"a.png", "b.png", "c.png"})
            lmrtest::writeImage(m_shown + u'/' + QLatin1String(name), 64, 48);
        lmrtest::writeImage(m_outside + QStringLiteral("/dropped.png"), 64, 48);
        m_delegate = std::make_unique<AppDelegate>();
        m_delegate->launch();
        m_delegate->window->setGeometry(0, 0, 1080, 760);
        QVERIFY(QTest::qWaitForWindowExposed(m_delegate->window));
        m_delegate->setSidebarRootURL(m_shown);
        QTRY_VERIFY(m_delegate->thumbnailItems.size() == 3 && !m_delegate->thumbnailEnumerationThread);
        QTRY_COMPARE(m_delegate->window->geometry().topLeft(), QPoint(0, 0));
    }

    void cleanup()
    {
        if (m_delegate) {
            m_delegate->applicationWillTerminate();
            m_delegate.reset();
        }
        LMRDirectoryEnumerationThread::waitForRunningWalks();
        m_dir.reset();
    }

    // Items dragged out reach the other application as file URLs, offered as a copy; nothing
    // leaves the folder.
    void dragOutToAnotherApplication_data()
    {
        lmrtest::columns<bool>({"fromViewer"});
        QTest::newRow("from the grid") << false;
        QTest::newRow("from the viewer") << true;
    }
    void dragOutToAnotherApplication()
    {
        QFETCH(bool, fromViewer);
        Peer peer;
        QVERIFY(peer.start({QStringLiteral("target"), QString::number(kPeerFrame.x()), QString::number(kPeerFrame.y()),
                            QString::number(kPeerFrame.width()), QString::number(kPeerFrame.height())}));
        QPoint from = itemOnScreen(1);
        if (fromViewer) {
            QVERIFY(xdotool(QStringLiteral("mousemove --sync %1 click --repeat 2 --delay 80 1").arg(global(from))));
            QTRY_VERIFY(m_delegate->isFullSizeViewShown());
            from = m_delegate->fullSizeView->mapToGlobal(m_delegate->fullSizeView->rect().center());
        }
        QVERIFY(xdotool(dragCommands(from, kPeerFrame.center(), {}, {})));
        const std::optional<QString> dropped = peer.waitForLine(QStringLiteral("drop "));
        QVERIFY2(dropped, "the other application received no drop");
        QCOMPARE(*dropped, QStringLiteral("drop copy ") + QString::fromLatin1(QUrl::fromLocalFile(m_shown + "/b.png").toEncoded()));
        QVERIFY(QFile::exists(m_shown + "/b.png"));
    }

    // Files dragged in from another application are moved into the shown folder, or copied while
    // Ctrl alone is held as the mouse is let go, whatever was held before; and listed.
    void dropFromAnotherApplication_data()
    {
        lmrtest::columns<QString, QString, bool>({"heldAtPress", "heldAtRelease", "copies"});
        QTest::newRow("no modifier moves") << "" << "" << false;
        QTest::newRow("ctrl held throughout copies") << "ctrl" << "ctrl" << true;
        QTest::newRow("ctrl let go before the drop moves") << "ctrl" << "" << false;
        QTest::newRow("ctrl taken just before the drop copies") << "" << "ctrl" << true;
    }
    void dropFromAnotherApplication()
    {
        QFETCH(QString, heldAtPress);
        QFETCH(QString, heldAtRelease);
        QFETCH(bool, copies);
        const QString source = m_outside + QStringLiteral("/dropped.png");
        Peer peer;
        QVERIFY(peer.start({QStringLiteral("source"), QString::number(kPeerFrame.x()), QString::number(kPeerFrame.y()),
                            QString::number(kPeerFrame.width()), QString::number(kPeerFrame.height()), source}));
        const QPoint into = grid()->viewport()->mapToGlobal(grid()->viewport()->rect().center() + QPoint(0, 150));
        QVERIFY(xdotool(dragCommands(kPeerFrame.center(), into, heldAtPress, heldAtRelease)));
        QVERIFY2(peer.waitForLine(QStringLiteral("dragged ")), "the drag never ended");
        QTRY_COMPARE(m_delegate->thumbnailItems.size(), size_t(4));
        QVERIFY(QFile::exists(m_shown + QStringLiteral("/dropped.png")));
        QCOMPARE(QFile::exists(source), copies);
        // Listed and selected, as what the user just put there.
        QTRY_VERIFY(m_delegate->thumbnailCountLabel->text().startsWith(QStringLiteral("1 of 4 selected")));
    }

    // Copy puts the item's path, or its file name, on the desktop's clipboard: another program
    // reads it there after a click and the keys.
    void copyReachesOtherApplications_data()
    {
        lmrtest::columns<QString, bool>({"keys", "nameOnly"});
        QTest::newRow("ctrl+c copies the path") << "ctrl+c" << false;
        QTest::newRow("ctrl+shift+c copies the file name") << "ctrl+shift+c" << true;
    }
    void copyReachesOtherApplications()
    {
        QFETCH(QString, keys);
        QFETCH(bool, nameOnly);
        QVERIFY(xdotool(QStringLiteral("mousemove --sync %1 click 1 sleep 0.2 key %2 sleep 0.2")
                            .arg(global(itemOnScreen(2)), keys)));
        QTRY_COMPARE(grid()->selection().count(), qint64(1));
        Peer reader;
        QVERIFY(reader.start({QStringLiteral("clipboard")}));
        const std::optional<QString> text = reader.waitForLine(QString());
        QVERIFY2(text, "the clipboard could not be read");
        QCOMPARE(*text, nameOnly ? QStringLiteral("c.png") : shownPath(2));
    }
};

LMR_REGISTER_TEST(RealInputTest);
#include "RealInputTest.moc"
