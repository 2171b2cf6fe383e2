#include "DesktopTestEnvironment.h"
#include "platform/Applications.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>

// Runs against the real GIO registry, fed with desktop entries of our own.
class OpenWithTest : public QObject
{
    Q_OBJECT

private:
    QString m_applications;
    QString m_outputs;
    QString m_vanishingScript;

    // A launcher that records each launch as one file holding its arguments, one per line,
    // written under another name first so a half-written record is never seen.
    QString writeRecordingScript(const QString &name)
    {
        const QString script = lmrdesktoptest::rootPath() + QLatin1String("/bin/") + name;
        lmrtest::writeFile(script, "#!/bin/sh\n"
                                   "out='" + QFile::encodeName(m_outputs) + "'/launch-$$\n"
                                   "printf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n");
        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
        return script;
    }

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

    static QStringList names(const QList<LMRApplicationInfo> &applications)
    {
        QStringList result;
        for (const auto &application : applications)
            result << application.displayName;
        return result;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(LMRCanOpenWithApplications());
        // Sorting follows the user's locale; fix it so the expected order holds on any machine.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

        m_applications = lmrdesktoptest::makeFolder(QStringLiteral("data/applications"));
        m_outputs = lmrdesktoptest::makeFolder(QStringLiteral("launches"));
        const QString recorder = writeRecordingScript(QStringLiteral("record launch"));
        const QString quoted = QLatin1Char('"') + recorder + QLatin1String("\" %F");

        const QString fileIcon = lmrdesktoptest::rootPath() + QLatin1String("/icons/apple.png");
        QDir().mkpath(QFileInfo(fileIcon).absolutePath());
        QVERIFY(lmrtest::makeTestImage(48, 48).save(fileIcon));

        const QString themes = lmrdesktoptest::rootPath() + QLatin1String("/themes");
        lmrtest::writeFile(themes + QLatin1String("/hicolor/index.theme"),
                           "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps\n\n"
                           "[16x16/apps]\nSize=16\nType=Fixed\n");
        QVERIFY(QDir().mkpath(themes + QLatin1String("/hicolor/16x16/apps")));
        QVERIFY(lmrtest::makeTestImage(16, 16).save(themes + QLatin1String("/hicolor/16x16/apps/lmrtest-banana.png")));
        QIcon::setThemeSearchPaths({themes});
        QIcon::setThemeName(QStringLiteral("hicolor"));

        writeEntry("lmrtest-zebra.desktop", "zebra", quoted, "image/jpeg;");
        writeEntry("lmrtest-emile.desktop", "Émile", quoted, "image/jpeg;");
        writeEntry("lmrtest-apple.desktop", "apple viewer", quoted, "image/jpeg;image/png;",
                   "Icon=" + QFile::encodeName(fileIcon) + "\n");
        writeEntry("lmrtest-banana.desktop", "Banana", quoted, "image/jpeg;", "Icon=lmrtest-banana\n");
        writeEntry("lmrtest-tom.desktop", "Tom & Jerry", quoted, "image/jpeg;", "Icon=lmrtest-no-such-icon\n");
        writeEntry("lmrtest-hidden.desktop", "Hidden Helper", quoted, "image/jpeg;", "NoDisplay=true\n");
        writeEntry("lmrtest-broken.desktop", "Broken", QStringLiteral("/nonexistent/lmrtest-program %F"),
                   "image/jpeg;");
        writeEntry("lmrtest-png.desktop", "PNG Only", quoted, "image/png;");
        m_vanishingScript = writeRecordingScript(QStringLiteral("vanishing"));
        writeEntry("lmrtest-vanishing.desktop", "Vanishing", m_vanishingScript + QLatin1String(" %F"),
                   "image/gif;");

        // GIO finds entries through the MIME cache, as update-desktop-database would write it.
        lmrtest::writeFile(m_applications + QLatin1String("/mimeinfo.cache"),
                           "[MIME Cache]\n"
                           "image/jpeg=lmrtest-zebra.desktop;lmrtest-emile.desktop;lmrtest-apple.desktop;"
                           "lmrtest-banana.desktop;lmrtest-tom.desktop;lmrtest-hidden.desktop;"
                           "lmrtest-broken.desktop;\n"
                           "image/png=lmrtest-png.desktop;lmrtest-apple.desktop;\n"
                           "image/gif=lmrtest-vanishing.desktop;\n");
    }

    void init()
    {
        for (const QString &record : QDir(m_outputs).entryList(QDir::Files))
            QFile::remove(m_outputs + QLatin1Char('/') + record);
    }

    void listing_data()
    {
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QStringList>("expectedNames");
        QTest::addColumn<QStringList>("expectedIdentifiers");
        QTest::newRow("sorted by locale, hidden and broken entries left out")
            << QStringLiteral("image/jpeg")
            << QStringList{"apple viewer", "Banana", "Émile", "Tom & Jerry", "zebra"}
            << QStringList{"lmrtest-apple.desktop", "lmrtest-banana.desktop", "lmrtest-emile.desktop",
                           "lmrtest-tom.desktop", "lmrtest-zebra.desktop"};
        QTest::newRow("only the applications of that type")
            << QStringLiteral("image/png") << QStringList{"apple viewer", "PNG Only"}
            << QStringList{"lmrtest-apple.desktop", "lmrtest-png.desktop"};
        QTest::newRow("unknown type") << QStringLiteral("application/x-lmrtest-unknown") << QStringList()
                                      << QStringList();
        QTest::newRow("empty type") << QString() << QStringList() << QStringList();
    }

    void listing()
    {
        QFETCH(QString, mimeType);
        QFETCH(QStringList, expectedNames);
        QFETCH(QStringList, expectedIdentifiers);
        const QList<LMRApplicationInfo> applications = LMRApplicationsForType(mimeType);
        QCOMPARE(names(applications), expectedNames);
        QStringList identifiers;
        for (const auto &application : applications)
            identifiers << application.identifier;
        QCOMPARE(identifiers, expectedIdentifiers);
    }

    void icons_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<bool>("hasIcon");
        QTest::newRow("icon file by path") << QStringLiteral("lmrtest-apple.desktop") << true;
        QTest::newRow("icon from the theme") << QStringLiteral("lmrtest-banana.desktop") << true;
        QTest::newRow("name the theme lacks") << QStringLiteral("lmrtest-tom.desktop") << false;
        QTest::newRow("no icon at all") << QStringLiteral("lmrtest-zebra.desktop") << false;
    }

    void icons()
    {
        QFETCH(QString, identifier);
        QFETCH(bool, hasIcon);
        QMenu menu;
        LMRPopulateOpenWithMenu(&menu, QStringLiteral("image/jpeg"), {});
        QAction *entry = nullptr;
        for (QAction *action : menu.actions())
            if (action->data().toString() == identifier)
                entry = action;
        QVERIFY(entry);
        QCOMPARE(!entry->icon().isNull(), hasIcon);
        if (hasIcon) {
            QCOMPARE(entry->icon().availableSizes(), QList<QSize>{QSize(16, 16)});
        }
    }

    void menuEntries()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("left over from last time"));
        QStringList chosen;
        LMRPopulateOpenWithMenu(&menu, QStringLiteral("image/jpeg"),
                                [&chosen](const QString &identifier) { chosen << identifier; });
        const QList<QAction *> actions = menu.actions();
        QStringList titles;
        for (QAction *action : actions) {
            QVERIFY(!action->isSeparator());
            QVERIFY(action->shortcut().isEmpty());
            titles << action->text();
        }
        // The ampersand is doubled so the menu shows it instead of underlining the "J".
        QCOMPARE(titles, (QStringList{"apple viewer", "Banana", "Émile", "Tom && Jerry", "zebra"}));
        actions.at(2)->trigger();
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
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<bool>("withFiles");
        QTest::newRow("unknown application") << QStringLiteral("lmrtest-nobody.desktop") << true;
        QTest::newRow("program missing") << QStringLiteral("lmrtest-broken.desktop") << true;
        QTest::newRow("program removed after listing") << QStringLiteral("lmrtest-vanishing.desktop") << true;
        QTest::newRow("no identifier") << QString() << true;
        QTest::newRow("no files") << QStringLiteral("lmrtest-apple.desktop") << false;
    }

    void launchFailures()
    {
        QFETCH(QString, identifier);
        QFETCH(bool, withFiles);
        if (identifier == QLatin1String("lmrtest-vanishing.desktop")) {
            QCOMPARE(names(LMRApplicationsForType(QStringLiteral("image/gif"))),
                     QStringList{QStringLiteral("Vanishing")});
            QVERIFY(QFile::remove(m_vanishingScript));
        }
        const QString file = lmrtest::writeFile(lmrdesktoptest::rootPath() + QLatin1String("/one.jpg"), "x");
        QString error;
        QVERIFY(!LMRLaunchApplication(identifier, withFiles ? QStringList{file} : QStringList(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(launchRecords().isEmpty());
    }
};

LMR_REGISTER_TEST(OpenWithTest);
#include "OpenWithTest.moc"
