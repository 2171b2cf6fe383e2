#include "app/CommandLine.h"
#include "platform/ImageSource.h"
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

        QTest::newRow("nothing") << QStringList{} << false << QStringList{} << "";
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
        QTest::newRow("-v") << QStringList{"-v"} << false << QStringList{} << "v";
        QTest::newRow("--help") << QStringList{"--help"} << false << QStringList{} << "h";
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

    // "Open With Lumory" is offered for what the build reads, and only for that.
    void desktopEntryOffersTheTypesRead()
    {
        QFile entry(qEnvironmentVariable("LUMORY_DESKTOP_ENTRY"));
        if (!entry.open(QIODevice::ReadOnly))
            QSKIP("The desktop entry made by the build is not known here (run through CTest)");
        QStringList listed;
        for (const QByteArray &line : entry.readAll().split('\n'))
            if (line.startsWith("MimeType="))
                listed = QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
        QVERIFY(listed.removeAll(QStringLiteral("inode/directory")) == 1);
        QMimeDatabase mimes;
        QStringList offered;
        for (const QString &type : std::as_const(listed)) {
            QVERIFY2(LMRImageSource::canRead(type), qPrintable(type));
            offered << mimes.mimeTypeForName(type).name();
        }
        for (const char *name : {"a.jpg", "a.png", "a.gif", "a.webp", "a.tif", "a.svg", "a.heic", "a.avif", "a.jxl",
                                 "a.dng", "a.cr2", "a.cr3", "a.nef", "a.arw", "a.raf", "a.orf", "a.rw2"}) {
            const QString type = mimes.mimeTypeForFile(QLatin1String(name), QMimeDatabase::MatchExtension).name();
            QVERIFY2(offered.contains(type) == LMRImageSource::canRead(type), name);
        }
    }
};

LMR_REGISTER_TEST(CommandLineTest);
#include "CommandLineTest.moc"
