#include "platform/ScreenSaverInhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QPointer>
#include <QVariantMap>

namespace {

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kScreenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
// The portal's flag for "the session going idle" (screen saver and blanking).
constexpr quint32 kPortalInhibitIdle = 8;
// A desktop that has not answered by then is not going to.
constexpr int kCallTimeoutMs = 3000;

// Without an address libdbus would start a bus of its own and leave it running; nobody on such
// a bus could keep the screen awake anyway.
bool sessionBusLikelyPresent()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo::exists(runtimeDir + QStringLiteral("/bus"));
}

QDBusConnection busNamed(const QString &connectionName)
{
    return connectionName.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(connectionName);
}

// Lets go of an inhibition: the ScreenSaver service's by its cookie, the portal's by closing its
// request. No answer is awaited: there is nothing to do if the desktop has already forgotten it.
void sendRelease(const QString &connectionName, quint32 cookie, const QString &portalHandle)
{
    QDBusMessage call;
    if (portalHandle.isEmpty()) {
        call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverInterface,
                                              QStringLiteral("UnInhibit"));
        call << cookie;
    } else {
        call = QDBusMessage::createMethodCall(kPortalService, portalHandle, kRequestInterface, QStringLiteral("Close"));
    }
    busNamed(connectionName).send(call);
}

} // namespace

LMRScreenSaverInhibitor::LMRScreenSaverInhibitor(QObject *parent) : QObject(parent)
{
}

LMRScreenSaverInhibitor::~LMRScreenSaverInhibitor()
{
    m_wanted = false;
    release();
}

void LMRScreenSaverInhibitor::setBusConnectionName(const QString &name)
{
    m_connectionName = name;
}

void LMRScreenSaverInhibitor::setInhibited(bool inhibited, const QString &reason)
{
    if (!reason.isEmpty())
        m_reason = reason;
    if (inhibited == m_wanted)
        return;
    m_wanted = inhibited;
    update();
}

void LMRScreenSaverInhibitor::update()
{
    // While a request is on its way its answer calls this again.
    if (m_pending)
        return;
    if (m_wanted && m_held == Held::None)
        request();
    else if (!m_wanted && m_held != Held::None)
        release();
}

void LMRScreenSaverInhibitor::request()
{
    if (m_connectionName.isEmpty() && !sessionBusLikelyPresent())
        return;
    QDBusConnection bus = busNamed(m_connectionName);
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverInterface,
                                                       QStringLiteral("Inhibit"));
    call << QCoreApplication::applicationName() << m_reason;
    m_pending = true;
    // The watcher outlives this object if it must: an inhibition granted after its owner went
    // would otherwise be held for as long as the program runs.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs));
    QPointer<LMRScreenSaverInhibitor> self(this);
    const QString connectionName = m_connectionName;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [self, watcher, connectionName] {
        watcher->deleteLater();
        const QDBusPendingReply<quint32> reply = *watcher;
        if (!self) {
            if (!reply.isError())
                sendRelease(connectionName, reply.value(), QString());
            return;
        }
        if (reply.isError())
            self->requestFromPortal();
        else
            self->granted(Held::ScreenSaver, reply.value(), QString());
    });
}

void LMRScreenSaverInhibitor::requestFromPortal()
{
    if (!m_wanted) {
        m_pending = false;
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInterface,
                                                       QStringLiteral("Inhibit"));
    // No window identifier: the inhibition is for the whole session either way.
    call << QString() << kPortalInhibitIdle << QVariantMap{{QStringLiteral("reason"), m_reason}};
    auto *watcher = new QDBusPendingCallWatcher(busNamed(m_connectionName).asyncCall(call, kCallTimeoutMs));
    QPointer<LMRScreenSaverInhibitor> self(this);
    const QString connectionName = m_connectionName;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [self, watcher, connectionName] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (!self) {
            if (!reply.isError())
                sendRelease(connectionName, 0, reply.value().path());
            return;
        }
        if (reply.isError()) {
            self->m_pending = false;
            return;
        }
        self->granted(Held::Portal, 0, reply.value().path());
    });
}

void LMRScreenSaverInhibitor::granted(Held how, quint32 cookie, const QString &handle)
{
    m_pending = false;
    m_held = how;
    m_cookie = cookie;
    m_portalHandle = handle;
    emit heldChanged(true);
    // Released or wanted again while the request travelled.
    update();
}

void LMRScreenSaverInhibitor::release()
{
    if (m_held == Held::None)
        return;
    sendRelease(m_connectionName, m_cookie, m_held == Held::Portal ? m_portalHandle : QString());
    m_held = Held::None;
    m_cookie = 0;
    m_portalHandle.clear();
    emit heldChanged(false);
}
