#include "support/SystemAppearance.h"

#include "support/NotificationCenter.h"
#include "support/Notifications.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <mutex>

namespace {

constexpr int kNotAsked = -2;
constexpr int kNoPortal = -1;
constexpr int kPreferDark = 1;
// The portal answers at once or not at all; a slow bus must not stall the first paint.
constexpr int kPortalTimeoutMs = 300;

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");

std::atomic<int> g_portalScheme{kNotAsked};
std::mutex g_askMutex;
std::atomic<bool> g_notePending{false};
std::atomic<int> g_lastAnswer{-1};

// Without an address and without the runtime directory's socket, libdbus would autolaunch a
// bus of its own and leave it running; there is no desktop to ask then anyway.
bool sessionBusLikelyPresent()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo::exists(runtimeDir + QStringLiteral("/bus"));
}

// Read wraps the value in one more variant than ReadOne does; unwrap whatever arrives.
int schemeFromVariant(QVariant value)
{
    for (int depth = 0; depth < 4 && value.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok ? int(scheme) : kNoPortal;
}

int askPortal()
{
    if (!sessionBusLikelyPresent())
        return kNoPortal;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return kNoPortal;
    for (const QString &method : {QStringLiteral("ReadOne"), QStringLiteral("Read")}) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInterface, method);
        call << kAppearanceNamespace << kColorSchemeKey;
        const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            return schemeFromVariant(reply.arguments().constFirst());
        // Only an older portal without ReadOne is worth a second question.
        if (reply.errorName() != QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"))
            break;
    }
    return kNoPortal;
}

int portalScheme()
{
    const int known = g_portalScheme.load();
    if (known != kNotAsked)
        return known;
    std::lock_guard lock(g_askMutex);
    int expected = kNotAsked;
    if (g_portalScheme.load() == kNotAsked)
        g_portalScheme.compare_exchange_strong(expected, askPortal());
    return g_portalScheme.load();
}

void postIfChanged()
{
    g_notePending = false;
    const int now = LMRSystemAppearance::isDarkMode() ? 1 : 0;
    if (g_lastAnswer.exchange(now) == now)
        return;
    LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
}

// Several events arrive for one switch (every window gets the theme and palette change), so
// the answer is compared once, on the main thread, after they have all been delivered.
void noteMayHaveChanged()
{
    if (!qApp || g_notePending.exchange(true))
        return;
    QMetaObject::invokeMethod(qApp, postIfChanged, Qt::QueuedConnection);
}

class DesktopWatcher : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    void settingChanged(const QString &nameSpace, const QString &key, const QDBusVariant &value)
    {
        LMRSystemAppearance::portalSettingChanged(nameSpace, key, QVariant::fromValue(value));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ThemeChange || event->type() == QEvent::ApplicationPaletteChange)
            noteMayHaveChanged();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool LMRSystemAppearance::isDarkMode()
{
    const QByteArray forced = qgetenv("LUMORY_APPEARANCE").toLower();
    if (forced == "dark")
        return true;
    if (forced == "light")
        return false;
    const int scheme = portalScheme();
    if (scheme != kNoPortal)
        return scheme == kPreferDark;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

void LMRSystemAppearance::startObservingDesktop()
{
    static QPointer<DesktopWatcher> watcher;
    if (watcher || !qApp)
        return;
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    watcher = new DesktopWatcher(qApp);
    qApp->installEventFilter(watcher);
    g_lastAnswer = isDarkMode() ? 1 : 0;
    if (sessionBusLikelyPresent()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected())
            bus.connect(kPortalService, kPortalPath, kPortalInterface,
                        QStringLiteral("SettingChanged"), watcher,
                        SLOT(settingChanged(QString, QString, QDBusVariant)));
    }
}

void LMRSystemAppearance::portalSettingChanged(const QString &nameSpace, const QString &key,
                                               const QVariant &value)
{
    if (nameSpace != kAppearanceNamespace || key != kColorSchemeKey)
        return;
    g_portalScheme = schemeFromVariant(value);
    noteMayHaveChanged();
}

void LMRSystemAppearance::setPortalColorSchemeForTesting(int scheme)
{
    g_portalScheme = scheme < 0 ? kNoPortal : scheme;
}

#include "SystemAppearance.moc"
