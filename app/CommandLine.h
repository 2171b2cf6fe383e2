#pragma once
// What a start of the program asks for on its command line: the folders or files to open, the
// options, and the texts of --help and --version. It only reads the arguments; main decides
// what to do with them, and AppDelegate decides what a path opens.
//
// The arguments are read twice: once before the QApplication exists, so that --help and
// --version answer without a display, and once after it has taken away Qt's own options
// (-platform, -style, ...). The first reading is lenient: it looks for --help and --version
// only and ignores every option it does not know.

#include <QString>
#include <QStringList>

struct LMRCommandLine {
    // Absolute, cleaned local paths, in the order given (file URLs become paths; other URLs are
    // left out).
    QStringList paths;
    // --no-restore: start without reopening the folder of the last run.
    bool noRestore = false;
    bool showHelp = false;
    bool showVersion = false;
    // Why the arguments cannot be used (an unknown option); empty when they can.
    QString error;

    // arguments as main receives them, the program first.
    static LMRCommandLine parse(const QStringList &arguments, bool lenient = false);

    static QString helpText();
    // "Lumory 1.2.3".
    static QString versionText();
};

// The program's version, as the build was made.
QString LMRApplicationVersion();
