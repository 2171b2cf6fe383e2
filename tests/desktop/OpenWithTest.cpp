#include "DesktopTestEnvironment.h"
#include "platform/Applications.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

// Runs against the real GIO registry, fed with desktop entries of our own.
class OpenWithTest : public QObject
{
    Q_OBJECT

private:
    QString m_applications;
    QString m_outputs;

    void writeEntry(const QString &id, const QByteArray &name, const QString &exec,
                    const QByteArray &mimeTypes, const QByteArray &extra = {})
    {
        lmrtest::writeFile(m_applications + QLatin1Char('/') + id,
                           "[Desktop Entry]\nType=Application\nName=" + name + "\nExec="
                               + QFile::encodeName(exec) + "\nMimeType=" + mimeTypes + "\n" + extra);
    }

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

        writeEntry("lmrtest-zebra.desktop", "zebra", quoted, "image/jpeg;");
        writeEntry("lmrtest-emile.desktop", "Émile", quoted, "image/jpeg;");
        writeEntry("lmrtest-apple.desktop", "apple viewer", quoted, "image/jpeg;image/png;");
        writeEntry("lmrtest-banana.desktop", "Banana", quoted, "image/jpeg;");
        writeEntry("lmrtest-tom.desktop", "Tom & Jerry", quoted, "image/jpeg;");
        writeEntry("lmrtest-hidden.desktop", "Hidden Helper", quoted, "image/jpeg;", "NoDisplay=true\n");
        writeEntry("lmrtest-broken.desktop", "Broken", QStringLiteral("/nonexistent/lmrtest-program %F"),
                   "image/jpeg;");
        writeEntry("lmrtest-png.desktop", "PNG Only", quoted, "image/png;");

        // GIO finds entries through the MIME cache, as update-desktop-database would write it.
        lmrtest::writeFile(m_applications + QLatin1String("/mimeinfo.cache"),
                           "[MIME Cache]\n"
                           "image/jpeg=lmrtest-zebra.desktop;lmrtest-emile.desktop;lmrtest-apple.desktop;"
                           "lmrtest-banana.desktop;lmrtest-tom.desktop;lmrtest-hidden.desktop;"
                           "lmrtest-broken.desktop;\n"
                           "image/png=lmrtest-png.desktop;lmrtest-apple.desktop;\n");
    }

    void init()
    {
        for (const QString &record : QDir(m_outputs).entryList(QDir::Files))
            QFile::remove(m_outputs + QLatin1Char('/') + record);
    }

    void listing_data()
    {
        lmrtest::columns<QString, QStringList>({"mimeType", "expectedNames"});
        QTest::newRow("sorted by locale, hidden and broken entries left out")
            << QStringLiteral("image/jpeg") << QStringList{"apple viewer", "Banana", "Émile", "Tom & Jerry", "zebra"};
        QTest::newRow("only the applications of that type")
            << QStringLiteral("image/png") << QStringList{"apple viewer", "PNG Only"};
        QTest::newRow("unknown type") << QStringLiteral("application/x-lmrtest-unknown") << QStringList();
    }

    void listing()
    {
        QFETCH(QString, mimeType);
        QStringList names;
        for (const auto &application : LMRApplicationsForType(mimeType))
            names << application.displayName;
        QTEST(names, "expectedNames");
    }

    // The menu holds the same sorted names, replaces what it held, and reports the identifier.
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
        // The ampersand is doubled so the menu shows it instead of underlining the "J".
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
        QTest::newRow("unknown application") << QStringLiteral("lmrtest-nobody.desktop") << true;
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
