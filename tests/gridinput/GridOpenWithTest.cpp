// The grid's open-with submenu and launch against the real desktop registry, fed with desktop
// entries of our own: the submenu follows the first selected item's type, and choosing an
// application opens every selected file with it in one launch.

#include "GridInputTestSupport.h"
#include "platform/Applications.h"
#include "sidebar/ErrorSheet.h"

namespace {

QTemporaryDir &desktopRoot()
{
    static QTemporaryDir dir(QDir::tempPath() + QLatin1String("/lumory-gridinput-XXXXXX"));
    return dir;
}

// GIO reads its folders once, on first use: they are set before main, so that neither the
// machine's applications nor a session bus take part.
const bool desktopReady = [] {
    const QString base = desktopRoot().path();
    // The system's applications stay out, but its MIME database must stay in: types come from it.
    QString systemData = qEnvironmentVariable("XDG_DATA_DIRS");
    if (systemData.isEmpty())
        systemData = QStringLiteral("/usr/local/share:/usr/share");
    QDir().mkpath(base + QLatin1String("/none"));
    for (const QString &folder : systemData.split(u':', Qt::SkipEmptyParts)) {
        if (QFileInfo::exists(folder + QLatin1String("/mime/mime.cache"))) {
            QFile::link(folder + QLatin1String("/mime"), base + QLatin1String("/none/mime"));
            break;
        }
    }
    for (const auto &[variable, name] : {std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_DATA_DIRS", "none"},
                                         std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_CONFIG_DIRS", "none"}}) {
        QDir().mkpath(base + u'/' + QLatin1String(name));
        qputenv(variable, QFile::encodeName(base + u'/' + QLatin1String(name)));
    }
    qunsetenv("XDG_CURRENT_DESKTOP");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(base) + "/no-bus");
    return true;
}();

} // namespace

class GridOpenWithTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LMRCanOpenWithApplications())
            QSKIP("Built without the desktop's application registry");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString base = desktopRoot().path();
        m_launches = base + QLatin1String("/launches");
        QVERIFY(QDir().mkpath(m_launches));
        const QString script = base + QLatin1String("/bin/record");
        lmrtest::writeFile(script, "#!/bin/sh\nout='" + QFile::encodeName(m_launches)
                                       + "'/launch-$$\nprintf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n");
        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);

        const QString applications = base + QLatin1String("/data/applications");
        auto entry = [&](const char *id, const char *name, const char *types) {
            lmrtest::writeFile(applications + u'/' + QLatin1String(id),
                               QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec="
                                   + QFile::encodeName(script) + " %F\nMimeType=" + types + "\n");
        };
        entry("lmrgrid-zoom.desktop", "Zoom Viewer", "image/jpeg;");
        entry("lmrgrid-art.desktop", "art studio", "image/jpeg;image/png;");
        entry("lmrgrid-png.desktop", "Png Painter", "image/png;");
        lmrtest::writeFile(applications + QLatin1String("/mimeinfo.cache"),
                           "[MIME Cache]\nimage/jpeg=lmrgrid-zoom.desktop;lmrgrid-art.desktop;\n"
                           "image/png=lmrgrid-art.desktop;lmrgrid-png.desktop;\n");
    }

    void init()
    {
        // Typed by their names; none is read, and the launch is only handed their paths.
        QVERIFY(setUpGrid(m_view, m_delegate, 3));
        m_delegate.setPaths({"/pictures/one.jpg", "/pictures/two.png", "/pictures/three.jpg"});
        QCOMPARE(m_delegate.items[1]->UTI(), QStringLiteral("image/png"));
        m_view->reloadData();

        m_openWith = m_menu.addMenu(QStringLiteral("Open With"));
        m_openWith->menuAction()->setData(-1);
        m_view->setItemPopUpMenu(&m_menu);
        for (const QString &name : QDir(m_launches).entryList(QDir::Files))
            QFile::remove(m_launches + u'/' + name);
    }
    void cleanup()
    {
        m_view.reset();
        m_menu.clear();
        delete m_openWith;
    }

    // Which applications a type has, in which order, is the desktop tests' matter.
    void submenuFollowsTheFirstSelectedItem_data()
    {
        // clicked -1: the padding beside item 0
        lmrtest::columns<Indices, qint64, QStringList>({"selection", "clicked", "titles"});
        QTest::newRow("a JPEG clicked, a PNG first in the selection") << Indices{1, 2} << qint64(2)
                                                        << QStringList{"art studio", "Png Painter"};
        QTest::newRow("empty space: no entries") << Indices{} << qint64(-1) << QStringList{};
    }
    void submenuFollowsTheFirstSelectedItem()
    {
        QFETCH(Indices, selection);
        QFETCH(qint64, clicked);
        // The submenu of an earlier menu is never left over.
        m_view->showPopUpMenuAtPoint(itemCenter(*m_view, 0));
        startWith(*m_view, m_delegate, selection);
        m_view->showPopUpMenuAtPoint(clicked < 0 ? QPointF(344, 150) : itemCenter(*m_view, clicked));
        QCOMPARE(m_view->menus.size(), size_t(2));
        QTEST(m_view->menus.back().openWithTitles, "titles");
    }

    // The registry's own launching is the desktop tests' matter: here, which files the grid
    // hands it, and that a failure reaches the user.
    void choosingOpensEverySelectedFileInOneLaunch()
    {
        std::vector<QString> alerts;
        const auto previous = LMRErrorSheet::setHandlerForTesting(
            [&alerts](QWidget *, const QString &text) { alerts.push_back(text); });
        const auto restore = qScopeGuard([previous] { LMRErrorSheet::setHandlerForTesting(previous); });
        startWith(*m_view, m_delegate, {2, 0});
        m_view->showPopUpMenuAtPoint(itemCenter(*m_view, 0));
        const QList<QAction *> entries = m_openWith->actions();
        const auto zoom = std::find_if(entries.begin(), entries.end(),
                                       [](QAction *entry) { return entry->text() == "Zoom Viewer"; });
        QVERIFY(zoom != entries.end());
        (*zoom)->trigger();
        QTRY_COMPARE(QDir(m_launches).entryList({"launch-*"}, QDir::Files).filter(QRegularExpression("^launch-\\d+$")).size(), 1);
        const QString record = QDir(m_launches).entryList({"launch-*"}, QDir::Files).first();
        QCOMPARE(QString::fromUtf8(lmrtest::readFile(m_launches + u'/' + record)).split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{"/pictures/one.jpg", "/pictures/three.jpg"}));

        m_view->openWith(QStringLiteral("lmrgrid-no-such-application.desktop"));
        m_view->openWith(QString());   // an entry without an application does nothing
        QCOMPARE(alerts.size(), size_t(1));
    }

private:
    QString m_launches;
    RecordingGridDelegate m_delegate;
    std::unique_ptr<ObservedGrid> m_view;
    QMenu m_menu;
    QMenu *m_openWith = nullptr;
};

LMR_REGISTER_TEST(GridOpenWithTest);
#include "GridOpenWithTest.moc"
