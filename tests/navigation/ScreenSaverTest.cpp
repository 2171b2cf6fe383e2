// The screen stays awake while a slideshow runs, and is let go however the slideshow stops:
// checked against a stand-in desktop on a private session bus, once with the freedesktop
// ScreenSaver service, once with only the portal, and once with neither.

#include "NavigationTestSupport.h"

#include "platform/ScreenSaverInhibitor.h"
#include "support/TestRunner.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStandardPaths>

using navtest::Session;

namespace {

const QString kClientConnection = QStringLiteral("lmr-test-client");
const QString kDesktopConnection = QStringLiteral("lmr-test-desktop");

// What the stand-in desktop was asked, and which inhibitions it holds now.
struct DesktopLog {
    QStringList calls;
    QStringList held;
};

class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(DesktopLog &log) : m_log(log) {}

public slots:
    uint Inhibit(const QString &, const QString &reason)
    {
        ++m_next;
        m_log.calls << QStringLiteral("Inhibit %1").arg(reason);
        m_log.held << QString::number(m_next);
        return m_next;
    }
    void UnInhibit(uint cookie)
    {
        m_log.calls << QStringLiteral("UnInhibit %1").arg(cookie);
        m_log.held.removeAll(QString::number(cookie));
    }

private:
    DesktopLog &m_log;
    uint m_next = 0;
};

class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    FakePortalRequest(DesktopLog &log, const QString &path, QObject *parent)
        : QObject(parent), m_log(log), m_path(path)
    {
    }

public slots:
    void Close()
    {
        m_log.calls << QStringLiteral("Close %1").arg(m_path);
        m_log.held.removeAll(m_path);
    }

private:
    DesktopLog &m_log;
    QString m_path;
};

class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    FakePortal(DesktopLog &log, QDBusConnection bus) : m_log(log), m_bus(bus) {}

public slots:
    QDBusObjectPath Inhibit(const QString &, uint flags, const QVariantMap &options)
    {
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/1/t%1").arg(++m_next);
        m_bus.registerObject(path, new FakePortalRequest(m_log, path, this), QDBusConnection::ExportAllSlots);
        m_log.calls << QStringLiteral("Inhibit %1 %2").arg(flags).arg(options.value(QStringLiteral("reason")).toString());
        m_log.held << path;
        return QDBusObjectPath(path);
    }

private:
    DesktopLog &m_log;
    QDBusConnection m_bus;
    int m_next = 0;
};

} // namespace

class ScreenSaverTest : public QObject
{
    Q_OBJECT

    QProcess m_bus;

private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is needed for a private session bus");
        m_bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(QDBusConnection::connectToBus(address, kClientConnection).isConnected());
        QVERIFY(QDBusConnection::connectToBus(address, kDesktopConnection).isConnected());
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(kClientConnection);
        QDBusConnection::disconnectFromBus(kDesktopConnection);
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void heldWhileTheSlideshowRuns_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("inhibit");
        QTest::addColumn<QString>("release");
        // Calls after a start and a stop quicker than the desktop: the screen saver service
        // grants and is then released; the portal, asked only after the service failed, is not
        // asked at all by then.
        QTest::addColumn<int>("raceCalls");
        QTest::newRow("screen saver service") << QStringLiteral("screensaver")
                                              << QStringLiteral("Inhibit Showing a slideshow")
                                              << QStringLiteral("UnInhibit 1") << 6;
        QTest::newRow("portal only") << QStringLiteral("portal") << QStringLiteral("Inhibit 8 Showing a slideshow")
                                     << QStringLiteral("Close /org/freedesktop/portal/desktop/request/1/t1") << 4;
        QTest::newRow("neither") << QString() << QString() << QString() << 0;
    }

    void heldWhileTheSlideshowRuns()
    {
        QFETCH(QString, desktop);
        QFETCH(QString, inhibit);
        QFETCH(QString, release);
        QFETCH(int, raceCalls);
        QDBusConnection bus(kDesktopConnection);
        DesktopLog log;
        FakeScreenSaver screenSaver(log);
        FakePortal portal(log, bus);
        if (desktop == QLatin1String("screensaver")) {
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver,
                                       QDBusConnection::ExportAllSlots));
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        } else if (desktop == QLatin1String("portal")) {
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                       QDBusConnection::ExportAllSlots));
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        }
        auto cleanup = qScopeGuard([&bus] {
            bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
            bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
            bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
            bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"), QDBusConnection::UnregisterTree);
        });

        {
            Session s(3);
            LMRScreenSaverInhibitor *inhibitor = s.delegate->screenSaverInhibitor;
            inhibitor->setBusConnectionName(kClientConnection);
            const bool answers = !desktop.isEmpty();

            s.delegate->startSlideshow(nullptr);
            QVERIFY(inhibitor->isInhibited());
            QTRY_COMPARE(log.held.size(), answers ? 1 : 0);
            if (!answers) {
                // Asked, refused by everyone, and nothing else to see.
                QTRY_VERIFY(!inhibitor->isHeld());
                s.delegate->stopSlideshow();
                QVERIFY(!inhibitor->isInhibited());
                QVERIFY(log.calls.isEmpty());
                return;
            }
            QCOMPARE(log.calls, QStringList{inhibit});
            QTRY_VERIFY(inhibitor->isHeld());

            // A pause lets go, the end of the pause asks again.
            QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Space);
            QTRY_VERIFY(log.held.isEmpty());
            QCOMPARE(log.calls.value(1), release);
            QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Space);
            QTRY_COMPARE(log.held.size(), 1);

            // Leaving the viewer ends the slideshow, and with it the inhibition.
            QTest::keyClick(s.delegate->fullSizeView, Qt::Key_Escape);
            QVERIFY(!s.delegate->isSlideshowActive());
            QTRY_VERIFY(log.held.isEmpty());
            QCOMPARE(log.calls.size(), 4);

            // Started and stopped before the desktop could answer: released once the answer comes.
            s.delegate->startSlideshow(nullptr);
            s.delegate->stopSlideshow();
            QTRY_COMPARE(log.calls.size(), raceCalls);
            QTRY_VERIFY(!inhibitor->isHeld());
            QVERIFY(log.held.isEmpty());

            // Quitting while a slideshow runs lets go as well.
            s.delegate->startSlideshow(nullptr);
            QTRY_VERIFY(inhibitor->isHeld());
        }
        QTRY_VERIFY(log.held.isEmpty());

        // Gone before the desktop answered: let go once the answer comes all the same (the
        // portal is never asked then, as nobody wants it any more).
        const qsizetype calls = log.calls.size();
        {
            LMRScreenSaverInhibitor inhibitor;
            inhibitor.setBusConnectionName(kClientConnection);
            inhibitor.setInhibited(true, QStringLiteral("gone"));
        }
        QTRY_COMPARE(log.calls.size(), calls + (desktop == QLatin1String("screensaver") ? 2 : 0));
        QVERIFY(log.held.isEmpty());
    }
};

LMR_REGISTER_TEST(ScreenSaverTest);
#include "ScreenSaverTest.moc"
