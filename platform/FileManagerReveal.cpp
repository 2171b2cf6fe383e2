#include "platform/FileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");
const QString kInterface = QStringLiteral("org.freedesktop.FileManager1");
// A file manager that is installed starts within this; longer, and the user has given up.
constexpr int kCallTimeoutMs = 1500;

LMRFileManagerReveal::Handler &testHandler()
{
    static LMRFileManagerReveal::Handler handler;
    return handler;
}

// Without an address libdbus would start a bus of its own and leave it running, and there is
// no file manager on such a bus to answer anyway.
bool sessionBusLikelyPresent()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo::exists(runtimeDir + QStringLiteral("/bus"));
}

void openContainingFolder(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace

namespace LMRFileManagerReveal {

Handler setHandlerForTesting(Handler handler)
{
    Handler previous = std::move(testHandler());
    testHandler() = std::move(handler);
    return previous;
}

void showItems(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (const Handler &handler = testHandler()) {
        handler(paths);
        return;
    }
    const QString first = paths.constFirst();
    if (!sessionBusLikelyPresent()) {
        openContainingFolder(first);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(first);
        return;
    }
    QStringList uris;
    for (const QString &path : paths)
        uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("ShowItems"));
    call << uris << QString();
    // Not waited for: a file manager that starts slowly must not freeze the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, first] {
        if (watcher->isError())
            openContainingFolder(first);
        watcher->deleteLater();
    });
}

} // namespace LMRFileManagerReveal
