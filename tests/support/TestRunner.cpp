#include "TestRunner.h"

#include "platform/SharedThumbnailCache.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

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
    // next one's start-up. An area that set up a home of its own keeps it.
    QTemporaryDir privateHome(QDir::tempPath() + QLatin1String("/lumory-test-home-XXXXXX"));
    if (!QDir::homePath().startsWith(QDir::tempPath()) && privateHome.isValid())
        qputenv("HOME", QFile::encodeName(privateHome.path()));
    QStandardPaths::setTestModeEnabled(true);
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
    return failures == 0 ? 0 : 1;
}
