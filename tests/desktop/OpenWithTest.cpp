#include "DesktopTestEnvironment.h"
#include "platform/Applications.h"

// Runs against the real GIO registry, fed with desktop entries of our own.
class OpenWithTest : public QObject
{
    Q_OBJECT

private:
    QString m_applications;
    QString m_outputs;

    QStringList launchRecords() const
    {
        return QDir(m_outputs).entryList({QStringLiteral("launch-*")}, QDir::Files)
            .filter(QRegularExpression(QStringLiteral("^launch-\\d+$")));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(LMRCanOpenWithApplications());
        // Sorting follows the user's locale; fix it so the expected order holds on any machine.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_applications = lmrdesktoptest::makeFolder(QStringLiteral("data/applications"));
        m_outputs = lmrdesktoptest::makeFolder(QStringLiteral("launches"));

        // A launcher that records each launch as one file holding its arguments, one per line,
        // written under another name first so a half-written record is never seen.
        const QString recorder = lmrdesktoptest::rootPath() + QLatin1String("/bin/record launch");
        lmrtest::writeFile(recorder, "#!/bin/sh\n"
                                     "out='" + QFile::encodeName(m_outputs) + "'/launch-$$\n"
                                     "printf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n");
        QFile::setPermissions(recorder, QFile::permissions(recorder) | QFileDevice::ExeOwner);
        const QString quoted = QLatin1Char('"') + recorder + QLatin1String("\" %F");

        // GIO finds entries through the MIME cache, as update-desktop-database would write it.
        QByteArray cache = "[MIME Cache]\nimage/jpeg=";
        for (const auto &[name, title] : {std::pair{"zebra", "zebra"}, {"emile", "Émile"}, {"apple", "apple viewer"},
                                          {"banana", "Banana"}, {"tom", "Tom & Jerry"}, {"hidden", "Hidden Helper"},
                                          {"broken", "Broken"}}) {
            const QString id = QStringLiteral("lmrtest-%1.desktop").arg(QLatin1String(name));
            const bool broken = !qstrcmp(name, "broken"), hidden = !qstrcmp(name, "hidden");
            lmrtest::writeFile(m_applications + QLatin1Char('/') + id,
                               "[Desktop Entry]\nType=Application\nName=" + QByteArray(title) + "\nExec="
                                   + QFile::encodeName(broken ? QStringLiteral("/nonexistent/lmrtest-program %F") : quoted)
                                   + "\nMimeType=image/jpeg;\n" + (hidden ? "NoDisplay=true\n" : ""));
            cache += id.toUtf8() + ';';
        }
        lmrtest::writeFile(m_applications + QLatin1String("/mimeinfo.cache"), cache + '\n');
    }

    void init()
    {
        for (const QString &record : QDir(m_outputs).entryList(QDir::Files))
            QFile::remove(m_outputs + QLatin1Char('/') + record);
    }

    // Sorted by the locale, hidden and broken entries left out, the ampersand doubled so that the
    // menu shows it instead of underlining the "J"; the menu replaces what it held and reports
    // the identifier. (The grid's open-with tests cover the choice by type.)
    void menuEntries()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("left over from last time"));
        QStringList chosen;
        LMRPopulateOpenWithMenu(&menu, QStringLiteral("image/jpeg"),
                                [&chosen](const QString &identifier) { chosen << identifier; });
        QStringList titles;
        for (QAction *action : menu.actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"apple viewer", "Banana", "Émile", "Tom && Jerry", "zebra"}));
        menu.actions().at(2)->trigger();
        QCOMPARE(chosen, QStringList{QStringLiteral("lmrtest-emile.desktop")});

        LMRPopulateOpenWithMenu(&menu, QStringLiteral("application/x-lmrtest-unknown"), {});
        QVERIFY(menu.actions().isEmpty());
    }

    void launchOpensAllFilesAtOnce()
    {
        const QString folder = lmrdesktoptest::makeFolder(QStringLiteral("picked files"));
        const QStringList files{lmrtest::writeFile(folder + QLatin1String("/with space.jpg"), "a"),
                                lmrtest::writeFile(folder + QLatin1String("/Ünïcødé ñame.jpg"), "b")};
        QString error;
        QVERIFY2(LMRLaunchApplication(QStringLiteral("lmrtest-apple.desktop"), files, &error),
                 qPrintable(error));
        QTRY_COMPARE(launchRecords().size(), 1);
        QFile record(m_outputs + QLatin1Char('/') + launchRecords().first());
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(record.readAll()), files.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }

    void launchFailures_data()
    {
        lmrtest::columns<QString, bool>({"identifier", "withFiles"});
        QTest::newRow("program missing") << QStringLiteral("lmrtest-broken.desktop") << true;
        QTest::newRow("no files") << QStringLiteral("lmrtest-apple.desktop") << false;
    }

    void launchFailures()
    {
        QFETCH(QString, identifier);
        QFETCH(bool, withFiles);
        const QString file = lmrtest::writeFile(lmrdesktoptest::rootPath() + QLatin1String("/one.jpg"), "x");
        QString error;
        QVERIFY(!LMRLaunchApplication(identifier, withFiles ? QStringList{file} : QStringList(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(launchRecords().isEmpty());
    }
};

LMR_REGISTER_TEST(OpenWithTest);
#include "OpenWithTest.moc"
