#include "TestRunner.h"

#include "platform/SharedThumbnailCache.h"

#include <cstdio>
#include <cstdlib>

namespace lmrtest {
namespace {
struct Registered {
    const char *name;
    TestFactory factory;
};

std::vector<Registered> &registry()
{
    static std::vector<Registered> tests;
    return tests;
}

// Whether a static initialiser (an area that sets up a desktop of its own) changed the variable
// before main: /proc keeps the environment the process was started with.
bool changedBeforeMain(const char *name)
{
    QFile file(QStringLiteral("/proc/self/environ"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray prefix = QByteArray(name) + '=';
    for (const QByteArray &entry : file.readAll().split('\0')) {
        if (entry.startsWith(prefix))
            return !qEnvironmentVariableIsSet(name) || qgetenv(name) != entry.mid(prefix.size());
    }
    return qEnvironmentVariableIsSet(name);
}
} // namespace

int registerTest(const char *name, TestFactory factory)
{
    registry().push_back({name, std::move(factory)});
    return int(registry().size());
}
} // namespace lmrtest

int main(int argc, char **argv)
{
    // Settings, caches and the trash of a test run never touch the user's own, nor those of
    // another test program running at the same time: a root folder stored by one would be the
    // next one's start-up. Qt's test mode covers Qt's folders; GLib (the Trash) reads HOME and
    // XDG_DATA_HOME once, at its first use, so both lead into the run's own home from the start.
    // Being on the temporary folder's file system, files the tests make there go to that home's
    // Trash. An area (or a run) that set up a home of its own keeps it.
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir privateHome(QDir::tempPath() + QLatin1String("/lumory-test-home-XXXXXX"));
    const bool ownHome = QDir::homePath().startsWith(QDir::tempPath()) || lmrtest::changedBeforeMain("HOME")
        || lmrtest::changedBeforeMain("XDG_DATA_HOME");
    if (!ownHome && privateHome.isValid()) {
        qputenv("HOME", QFile::encodeName(privateHome.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(privateHome.path() + QLatin1String("/.local/share")));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Nor do the desktop's shared thumbnails: a file of a fixed path rendered by an earlier run
    // would otherwise come from the disk instead of its decoder.
    QTemporaryDir thumbnails;
    LMRSharedThumbnailCache::sharedInstance().setRootPath(thumbnails.filePath(QStringLiteral("thumbnails")));
    QApplication::setOrganizationName(QStringLiteral("LumoryTest"));
    QApplication::setApplicationName(QStringLiteral("LumoryTest"));

    const QByteArray only = qgetenv("LMR_TEST_CLASS");
    int failures = 0;
    for (const auto &test : lmrtest::registry()) {
        if (!only.isEmpty() && only != test.name)
            continue;
        QObject *object = test.factory();
        failures += QTest::qExec(object, argc, argv);
        delete object;
    }
    // The run ends as the program does: a loading worker that the last window left behind may
    // still be starting or inside a decoder, and no static destructor may run under its feet.
    // So the temporary folders are removed here, not by their destructors.
    thumbnails.remove();
    privateHome.remove();
    std::fflush(nullptr);
    std::_Exit(failures == 0 ? 0 : 1);
}
