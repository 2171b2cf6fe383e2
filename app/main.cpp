#include "app/AppDelegate.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

// Folder arguments as absolute paths; desktop launchers may pass file URLs instead of paths.
static QStringList folderArguments(const QStringList &arguments)
{
    QStringList paths;
    for (const QString &argument : arguments) {
        const QUrl url = QUrl::fromUserInput(argument, QDir::currentPath(), QUrl::AssumeLocalFile);
        if (url.isLocalFile())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    }
    return paths;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lumory"));
    QApplication::setApplicationName(QStringLiteral("Lumory"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumory"));
    // The desktop entry's name, so that the desktop matches the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumory"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumory"), QIcon(QStringLiteral(":/icons/lumory.svg"))));
    // The texts in the code are English; a catalogue for the user's language replaces them.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("lumory"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QApplication::installTranslator(&translator);
    // The main window ends the program when it closes; other windows (debug) do not keep it.
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList paths = folderArguments(QApplication::arguments().mid(1));
    LMRSingleInstance instance;
    if (instance.handOver(paths))
        return 0;
    instance.listen();

    AppDelegate delegate;
    QObject::connect(&instance, &LMRSingleInstance::received, &delegate, [&delegate](const QStringList &handed) {
        delegate.applicationShouldHandleReopen(true);
        QList<QUrl> urls;
        for (const QString &path : handed)
            urls.append(QUrl::fromLocalFile(path));
        delegate.applicationOpenURLs(urls);
    });
    delegate.launch();

    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    delegate.applicationOpenURLs(urls);

    const int code = app.exec();
    // The shutdown sequence has cancelled the loading thread and the directory walks without
    // waiting for them; one may still be inside a decoder or a directory call. The process ends
    // here, so that no static destructor runs under their feet and no exit waits on a render.
    // Every setting was written when it changed.
    std::fflush(nullptr);
    std::_Exit(code);
}
