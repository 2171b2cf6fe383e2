#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    // --help and --version answer before anything needs a display.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        const LMRCommandLine early = LMRCommandLine::parse(arguments, true);
        if (early.showHelp || early.showVersion) {
            const QString text = early.showHelp ? LMRCommandLine::helpText() : LMRCommandLine::versionText() + u'\n';
            std::fputs(text.toLocal8Bit().constData(), stdout);
            return 0;
        }
    }

    // The video's controls are a native window over the video's own; without this every widget
    // beside them in the main window would turn native too and cover the video.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lumory"));
    QApplication::setApplicationName(QStringLiteral("Lumory"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumory"));
    QApplication::setApplicationVersion(LMRApplicationVersion());
    // The desktop entry's name, so that the desktop matches the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumory"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumory"), QIcon(QStringLiteral(":/icons/lumory.svg"))));
    // The texts in the code are English; a catalogue for the user's language replaces them.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("lumory"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QApplication::installTranslator(&translator);
    // The main window ends the program when it closes; other windows (debug) do not keep it.
    QApplication::setQuitOnLastWindowClosed(false);

    const LMRCommandLine options = LMRCommandLine::parse(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "lumory: %s\n%s", qPrintable(options.error), qPrintable(LMRCommandLine::helpText()));
        return 2;
    }
    const QStringList &paths = options.paths;
    LMRSingleInstance instance;
    // The running instance needs the token a launcher gave this process to take the focus.
    if (instance.handOver(paths, qEnvironmentVariable("XDG_ACTIVATION_TOKEN")))
        return 0;
    instance.listen();

    AppDelegate delegate;
    delegate.restoresLastRootFolder = !options.noRestore;
    QObject::connect(&instance, &LMRSingleInstance::received, &delegate, &AppDelegate::applicationDidReceiveHandOver);
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
