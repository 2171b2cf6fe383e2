// The screen stays awake while a slideshow runs, and is let go however the slideshow stops:
// checked against a stand-in desktop on a private session bus, once with the freedesktop
// ScreenSaver service, once with only the portal, and once with neither.

#include "platform/ScreenSaverInhibitor.h"
#include "support/AppSession.h"

#include <QtDBus>

using Session = lmrtest::AppSession;

namespace {

const QString kClientConnection = QStringLiteral("lmr-test-client");
const QString kDesktopConnection = QStringLiteral("lmr-test-desktop");

// The stand-in desktop, at whichever of the two service names a row registers: what it was
// asked, and which inhibitions it holds now (screen saver cookies, portal request paths).
class FakeDesktop : public QDBusVirtualObject
{
public:
    QStringList calls;
    QStringList held;

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &bus) override
    {
        const QVariantList args = message.arguments();
        QVariant reply;
        const QString member = message.member();
        if (member == QLatin1String("Inhibit") && message.interface() == QLatin1String("org.freedesktop.ScreenSaver")) {
            calls << QStringLiteral("Inhibit %1").arg(args.value(1).toString());
            held << QString::number(++m_next);
            reply = uint(m_next);
        } else if (member == QLatin1String("Inhibit")) {
            const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/1/t%1").arg(++m_next);
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(2));
            const QString reason = options.value(QStringLiteral("reason")).toString();
            calls << QStringLiteral("Inhibit %1 %2").arg(args.value(1).toUInt()).arg(reason);
            held << path;
            reply = QVariant::fromValue(QDBusObjectPath(path));
        } else if (member == QLatin1String("UnInhibit")) {
            calls << QStringLiteral("UnInhibit %1").arg(args.value(0).toUInt());
            held.removeAll(QString::number(args.value(0).toUInt()));
        } else if (member == QLatin1String("Close")) {
            calls << QStringLiteral("Close %1").arg(message.path());
            held.removeAll(message.path());
        } else {
            return false;
        }
        return bus.send(reply.isValid() ? message.createReply(reply) : message.createReply());
    }
    QString introspect(const QString &) const override { return {}; }

private:
    uint m_next = 0;
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
        // raceCalls: calls after a start and a stop quicker than the desktop: the screen saver service
        // grants and is then released; the portal, asked only after the service failed, is not
        // asked at all by then.
        lmrtest::columns<QString, QString, QString, int>({"desktop", "inhibit", "release", "raceCalls"});
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
        QFETCH(int, raceCalls);
        QDBusConnection bus(kDesktopConnection);
        FakeDesktop log;
        QVERIFY(bus.registerVirtualObject(QStringLiteral("/org/freedesktop"), &log, QDBusConnection::SubPath));
        const QString service = desktop == QLatin1String("screensaver") ? QStringLiteral("org.freedesktop.ScreenSaver")
                                                                        : QStringLiteral("org.freedesktop.portal.Desktop");
        QVERIFY(desktop.isEmpty() || bus.registerService(service));
        auto cleanup = qScopeGuard([&bus, service] {
            bus.unregisterService(service);
            bus.unregisterObject(QStringLiteral("/org/freedesktop"), QDBusConnection::UnregisterTree);
        });

        {
            Session s(3);
            LMRScreenSaverInhibitor *inhibitor = s->screenSaverInhibitor;
            inhibitor->setBusConnectionName(kClientConnection);
            const bool answers = !desktop.isEmpty();

            s->startSlideshow(nullptr);
            QVERIFY(inhibitor->isInhibited());
            QTRY_COMPARE(log.held.size(), answers ? 1 : 0);
            if (!answers) {
                // Asked, refused by everyone, and nothing else to see.
                QTRY_VERIFY(!inhibitor->isHeld());
                s->stopSlideshow();
                QVERIFY(!inhibitor->isInhibited());
                QVERIFY(log.calls.isEmpty());
                return;
            }
            QCOMPARE(log.calls, QStringList{inhibit});
            QTRY_VERIFY(inhibitor->isHeld());

            // A pause lets go, the end of the pause asks again.
            QTest::keyClick(s->fullSizeView, Qt::Key_Space);
            QTRY_VERIFY(log.held.isEmpty());
            QTEST(log.calls.value(1), "release");
            QTest::keyClick(s->fullSizeView, Qt::Key_Space);
            QTRY_COMPARE(log.held.size(), 1);

            // Leaving the viewer ends the slideshow, and with it the inhibition.
            QTest::keyClick(s->fullSizeView, Qt::Key_Escape);
            QVERIFY(!s->isSlideshowActive());
            QTRY_VERIFY(log.held.isEmpty());
            QCOMPARE(log.calls.size(), 4);

            // Started and stopped before the desktop could answer: released once the answer comes.
            s->startSlideshow(nullptr);
            s->stopSlideshow();
            QTRY_COMPARE(log.calls.size(), raceCalls);
            QTRY_VERIFY(!inhibitor->isHeld());
            QVERIFY(log.held.isEmpty());

            // Quitting while a slideshow runs lets go as well.
            s->startSlideshow(nullptr);
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
