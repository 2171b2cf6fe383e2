// Whether the program is dark: the environment, the desktop portal's colour scheme and the
// palette in that order; and one broadcast per switch. Also the debug window: shared only while
// shown, and fed from any thread without waiting for the main one.

#include "support/DebugWindowController.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/SystemAppearance.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <QDBusVariant>

#include <thread>

class SystemAppearanceTest : public QObject
{
    Q_OBJECT

private:
    QPalette m_originalPalette;
    QObject *m_observer = nullptr;
    int m_posts = 0;

    // Lets every queued call already posted run, without waiting for time to pass.
    static void drainEventQueue()
    {
        bool reached = false;
        QMetaObject::invokeMethod(qApp, [&reached] { reached = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(reached);
    }

    static QPalette darkPalette() { return QPalette(QColor(0x20, 0x20, 0x20)); }

private slots:
    void initTestCase()
    {
        m_originalPalette = QApplication::palette();
        LMRSystemAppearance::startObservingDesktop();
    }

    void init()
    {
        qunsetenv("LUMORY_APPEARANCE");
        LMRSystemAppearance::setPortalColorSchemeForTesting(-1);
        m_posts = 0;
        m_observer = new QObject;
        LMRNotificationCenter::defaultCenter().addObserver(
            m_observer, LMRNotifications::AppearanceChanged, [this] { ++m_posts; });
    }

    void cleanup()
    {
        QApplication::setPalette(m_originalPalette);
        LMRSystemAppearance::setPortalColorSchemeForTesting(-1);
        drainEventQueue();
        delete m_observer;
        qunsetenv("LUMORY_APPEARANCE");
    }

    void answer_data()
    {
        lmrtest::columns<QByteArray, int, bool, bool>({"environment", "portal", "darkPalette", "dark"});
        // The portal over the palette: the dark-window scenario.
        QTest::newRow("env dark beats portal light") << QByteArray("dark") << 2 << false << true;
        QTest::newRow("env light beats portal dark") << QByteArray("light") << 1 << true << false;
        QTest::newRow("unknown env word, palette decides") << QByteArray("dim") << -1 << true << true;
        QTest::newRow("no portal, light palette") << QByteArray() << -1 << false << false;
    }

    void answer()
    {
        QFETCH(QByteArray, environment);
        QFETCH(int, portal);
        QFETCH(bool, darkPalette);
        if (!environment.isEmpty())
            qputenv("LUMORY_APPEARANCE", environment);
        LMRSystemAppearance::setPortalColorSchemeForTesting(portal);
        QApplication::setPalette(darkPalette ? SystemAppearanceTest::darkPalette() : QPalette(Qt::white));
        QTEST(LMRSystemAppearance::isDarkMode(), "dark");
    }

    void portalSignal_data()
    {
        lmrtest::columns<QString, QString, QVariant, bool>({"nameSpace", "key", "value", "dark"});
        const QString ns = QStringLiteral("org.freedesktop.appearance");
        const QString key = QStringLiteral("color-scheme");
        const QVariant one = QVariant::fromValue(QDBusVariant(QVariant(1u)));
        QTest::newRow("prefer dark") << ns << key << one << true;
        QTest::newRow("other key") << ns << QStringLiteral("accent-color") << one << false;
    }

    void portalSignal()
    {
        QFETCH(QString, nameSpace);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(bool, dark);
        QApplication::setPalette(QPalette(Qt::white));
        drainEventQueue();
        m_posts = 0;
        LMRSystemAppearance::portalSettingChanged(nameSpace, key, value);
        QCOMPARE(LMRSystemAppearance::isDarkMode(), dark);
        drainEventQueue();
        QCOMPARE(m_posts, dark ? 1 : 0);
    }

    // Shared only while shown, and fed from a worker without waiting: the main thread is not
    // running meanwhile, so a report that waited for it would never return.
    void debugWindowFedFromAnyThread()
    {
        QCOMPARE(DebugWindowController::sharedInstance(), nullptr);
        {
            DebugWindowController controller;
            QCOMPARE(DebugWindowController::sharedInstance(), nullptr);
            controller.showWindow();
            QCOMPARE(DebugWindowController::sharedInstance(), &controller);
            std::thread worker([] {
                DebugWindowController *shared = DebugWindowController::sharedInstance();
                shared->setPendingImageLoadsCount(-1);
                shared->setCacheCount(13, 2000);
            });
            worker.join();
            QTRY_COMPARE(controller.pendingImageLoadsCountText(), QStringLiteral("-1"));
            QTRY_COMPARE(controller.cacheCountText(), QStringLiteral("13 of 2000"));
        }
        QCOMPARE(DebugWindowController::sharedInstance(), nullptr);
    }
};

LMR_REGISTER_TEST(SystemAppearanceTest);
#include "SystemAppearanceTest.moc"
