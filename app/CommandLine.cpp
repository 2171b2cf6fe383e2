#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption noRestore{
        QStringLiteral("no-restore"),
        QCoreApplication::translate("LMRCommandLine", "Do not reopen the folder of the last run.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QCoreApplication::translate("LMRCommandLine", "Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QCoreApplication::translate("LMRCommandLine", "Show the version and exit.")};

    Parser()
    {
        parser.setApplicationDescription(QCoreApplication::translate(
            "LMRCommandLine", "Browse the images, PDFs and videos of a folder as thumbnails."));
        // "-reverse" or "-session", which Qt takes, must not read as a row of one-letter
        // options that happens to hold -v or -h.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(noRestore);
        parser.addPositionalArgument(
            QStringLiteral("paths"),
            QCoreApplication::translate("LMRCommandLine", "A folder to open, or an image to show in its folder. "
                                                          "A Lumory already running takes it over."),
            QStringLiteral("[FOLDER|FILE...]"));
    }
};

} // namespace

LMRCommandLine LMRCommandLine::parse(const QStringList &arguments, bool lenient)
{
    Parser p;
    LMRCommandLine result;
    const bool parsed = p.parser.parse(arguments);
    // Known options count even when an unknown one stands beside them.
    result.showHelp = p.parser.isSet(p.help);
    result.showVersion = p.parser.isSet(p.version);
    result.noRestore = p.parser.isSet(p.noRestore);
    if (!parsed && !lenient)
        result.error = p.parser.errorText();
    if (lenient)
        return result;
    for (const QString &argument : p.parser.positionalArguments()) {
        // Desktop launchers pass file URLs (%U); a terminal passes paths, relative or not.
        const QUrl url = QUrl::fromUserInput(argument, QDir::currentPath(), QUrl::AssumeLocalFile);
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            result.paths.append(QDir::cleanPath(url.toLocalFile()));
    }
    return result;
}

QString LMRCommandLine::helpText()
{
    Parser p;
    QString help = p.parser.helpText();
    // The parser names the program by how it was started (or not at all before the
    // QApplication exists); the help names the command a user types.
    static const QRegularExpression usage(QStringLiteral("^(\\S+:) \\S+"));
    help.replace(usage, QStringLiteral("\\1 lumory"));
    return help;
}

QString LMRCommandLine::versionText()
{
    return QStringLiteral("Lumory %1").arg(LMRApplicationVersion());
}

QString LMRApplicationVersion()
{
    return QStringLiteral(LUMORY_VERSION);
}
