#include "support/SystemAppearance.h"

#include "support/NotificationCenter.h"
#include "support/Notifications.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QEvent>
#include <QApplication>
#include <QFileInfo>
#include <QPalette>
#include <QStyle>
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

// The palette of ours on show, if any, and whether the platform's, which it replaced, is dark:
// without a portal that answers for the desktop. isDarkMode may be asked off the main thread.
enum OwnPalette : int { NoOwnPalette, OwnDarkPalette, OwnLightPalette };
std::atomic<int> g_ownPalette{NoOwnPalette};
std::atomic<bool> g_platformPaletteDark{false};

bool isDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QPalette darkPalette()
{
    const QColor window(0x32, 0x32, 0x32);
    const QColor base(0x24, 0x24, 0x24);
    const QColor text(0xee, 0xee, 0xee);
    const QColor disabledText(0x80, 0x80, 0x80);
    const QColor highlight(0x2f, 0x6f, 0xb8);
    QPalette palette(text, window, window.lighter(150), window.darker(150), window.darker(120), text, text,
                     base, window);
    palette.setColor(QPalette::AlternateBase, base.lighter(125));
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, highlight.lighter(140));
    palette.setColor(QPalette::LinkVisited, highlight.lighter(120));
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x55, 0x55));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, window.lighter(130));
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    return palette;
}

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
    if (g_ownPalette != NoOwnPalette)
        return g_platformPaletteDark;
    return isDarkPalette(QGuiApplication::palette());
}

void LMRSystemAppearance::applyApplicationPalette()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    const bool dark = isDarkMode();
    if (g_ownPalette == (dark ? OwnDarkPalette : OwnLightPalette))
        return;
    // Back to the platform's palette first: it may match by now.
    if (g_ownPalette != NoOwnPalette) {
        g_ownPalette = NoOwnPalette;
        QApplication::setPalette(QPalette());
    }
    const bool platformDark = isDarkPalette(QApplication::palette());
    if (platformDark == dark)
        return;
    const QPalette own = dark ? darkPalette() : QApplication::style()->standardPalette();
    if (isDarkPalette(own) != dark)
        return;
    g_platformPaletteDark = platformDark;
    g_ownPalette = dark ? OwnDarkPalette : OwnLightPalette;
    QApplication::setPalette(own);
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
