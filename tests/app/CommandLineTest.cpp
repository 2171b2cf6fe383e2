#include "app/CommandLine.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        lmrtest::columns<QStringList, bool>({"arguments", "lenient"});
        // "./" stands for the working directory.
        QTest::addColumn<QStringList>("paths");
        // h: help, v: version, n: no-restore, e: an error.
        QTest::addColumn<QString>("flags");

        QTest::newRow("--no-restore beside a folder")
            << QStringList{"--no-restore", "/tmp/Photos"} << false << QStringList{"/tmp/Photos"} << "n";
        QTest::newRow("relative path, cleaned") << QStringList{"Photos/../Trip/a.jpg"} << false
                                                << QStringList{"./Trip/a.jpg"} << "";
        QTest::newRow("file URL from a launcher") << QStringList{"file:///tmp/a%20b/c%C3%A9.jpg"} << false
                                                  << QStringList{QString::fromUtf8("/tmp/a b/c\xc3\xa9.jpg")} << "";
        QTest::newRow("web address left out") << QStringList{"https://example.org/a.jpg", "/tmp"} << false
                                              << QStringList{"/tmp"} << "";
        QTest::newRow("a name starting with a dash after --") << QStringList{"--", "-odd"} << false
                                                             << QStringList{"./-odd"} << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << QStringList{} << "e";
        // Before the QApplication has taken its own options away.
        QTest::newRow("early: Qt's options beside --version")
            << QStringList{"-platform", "wayland", "--version"} << true << QStringList{} << "v";
        QTest::newRow("early: -reverse is not -r -e -v") << QStringList{"-reverse"} << true << QStringList{} << "";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, lenient);
        QFETCH(QStringList, paths);
        QFETCH(QString, flags);

        const LMRCommandLine line = LMRCommandLine::parse(QStringList{"lumory"} + arguments, lenient);
        if (!lenient) {
            for (QString &path : paths) {
                if (path.startsWith(QLatin1String("./")))
                    path = QDir::current().filePath(path.mid(2));
            }
            QCOMPARE(line.paths, paths);
        }
        QCOMPARE(line.showHelp, flags.contains(u'h'));
        QCOMPARE(line.showVersion, flags.contains(u'v'));
        QCOMPARE(line.noRestore, flags.contains(u'n'));
        QCOMPARE(!line.error.isEmpty(), flags.contains(u'e'));
    }

};

LMR_REGISTER_TEST(CommandLineTest);
#include "CommandLineTest.moc"
