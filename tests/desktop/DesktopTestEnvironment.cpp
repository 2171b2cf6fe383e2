#include "DesktopTestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

namespace lmrdesktoptest {
namespace {
QTemporaryDir &root()
{
    static QTemporaryDir dir(QDir::tempPath() + QLatin1String("/lumory-desktop-XXXXXX"));
    return dir;
}

const bool environmentReady = [] {
    const QString base = root().path();
    const auto setFolder = [&base](const char *variable, const char *name) {
        const QString path = base + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    };
    setFolder("HOME", "home");
    setFolder("XDG_DATA_HOME", "data");
    setFolder("XDG_DATA_DIRS", "no-system-data");
    setFolder("XDG_CONFIG_HOME", "config");
    setFolder("XDG_CONFIG_DIRS", "no-system-config");
    // OnlyShowIn / NotShowIn would otherwise depend on the desktop the tests run under.
    qunsetenv("XDG_CURRENT_DESKTOP");
    // Launching asks for the session bus; with none, libdbus could start a stray one for the
    // X display. An address that leads nowhere fails at once instead.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(base) + "/no-bus");
    return true;
}();
} // namespace

QString rootPath()
{
    return root().path();
}

QString makeFolder(const QString &relativePath)
{
    const QString path = rootPath() + QLatin1Char('/') + relativePath;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QString useFreshHome(const QString &name)
{
    const QString home = makeFolder(QLatin1String("homes/") + name);
    qputenv("HOME", QFile::encodeName(home));
    return home;
}
} // namespace lmrdesktoptest
