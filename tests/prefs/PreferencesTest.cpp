#include "prefs/Preferences.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

namespace {

const QStringList kChangeNotifications = {
    LMRNotifications::BackgroundColorChanged, LMRNotifications::LabelColorChanged,
    LMRNotifications::SelectionColorChanged,  LMRNotifications::ShowFilenamesChanged,
    LMRNotifications::HighQualityThumbnailsChanged, LMRNotifications::SlideshowPacingChanged,
};

// Reads the file the store wrote, as the next start of the program would.
QVariant valueInFile(const QString &key)
{
    return QSettings(Preferences::sharedInstance().settings().fileName(), QSettings::IniFormat).value(key);
}

using Setter = std::function<void(Preferences &)>;
struct SetterCase { const char *name; Setter set; QString key; QString notification; };

const std::vector<SetterCase> &setterCases()
{
    static const std::vector<SetterCase> cases = {
        {"background", [](Preferences &p) { p.setBackgroundColor(Qt::red); }, "BackgroundColor", LMRNotifications::BackgroundColorChanged},
        {"label", [](Preferences &p) { p.setLabelColor(Qt::red); }, "LabelColor", LMRNotifications::LabelColorChanged},
        {"selection", [](Preferences &p) { p.setSelectionColor(Qt::red); }, "SelectionColor", LMRNotifications::SelectionColorChanged},
        {"file names", [](Preferences &p) { p.setShowFilenames(true); }, "ShowFilenames", LMRNotifications::ShowFilenamesChanged},
        {"high quality", [](Preferences &p) { p.setHighQualityThumbnails(true); }, "HighQualityThumbnails", LMRNotifications::HighQualityThumbnailsChanged},
        {"pacing", [](Preferences &p) { p.setSlideshowPacing(2.5f); }, "SlideshowPacing", LMRNotifications::SlideshowPacingChanged},
        {"sidebar, which nobody observes", [](Preferences &p) { p.setShowSidebar(false); }, "ShowSidebar", {}},
    };
    return cases;
}

} // namespace

class PreferencesTest : public QObject
{
    Q_OBJECT

private:
    Preferences &prefs() { return Preferences::sharedInstance(); }
    QStringList m_alerts;
    QObject *m_observer = nullptr;

    void startFresh(const QByteArray &appearance)
    {
        qputenv("LUMORY_APPEARANCE", appearance);
        prefs().clearForTesting();
    }

private slots:
    void init()
    {
        m_alerts.clear();
        Preferences::setAlertHandler([this](const QString &text) { m_alerts << text; });
        startFresh("light");
        m_observer = new QObject;
    }

    void cleanup()
    {
        delete m_observer;
        Preferences::setAlertHandler({});
        qunsetenv("LUMORY_APPEARANCE");
        qunsetenv("DEBUG");
    }

    // A fresh store answers defaults that follow the appearance, without writing them; what is
    // stored is read with its junk replaced.
    void readingWhatIsStored_data()
    {
        lmrtest::columns<QByteArray, QString, QVariant, QVariant>({"appearance", "key", "stored", "expected"});
        const QByteArray light("light"), dark("dark");
        const QString depth = QStringLiteral("FolderDepth");
        const QString zoom = QStringLiteral("IntZoomValue");
        const QString background = QStringLiteral("BackgroundColor");
        const QString volume = QStringLiteral("VideoVolume");
        QTest::newRow("dark background") << dark << background << QVariant() << QVariant(QColor(0x32, 0x32, 0x32));
        QTest::newRow("dark label") << dark << QStringLiteral("LabelColor") << QVariant() << QVariant(QColor(Qt::white));
        QTest::newRow("depth 5 means every level") << light << depth << QVariant(5) << QVariant(qint64(-1));
        QTest::newRow("depth -3 as it is") << light << depth << QVariant(-3) << QVariant(qint64(-3));
        QTest::newRow("depth absent") << light << depth << QVariant() << QVariant(qint64(0));
        QTest::newRow("zoom 7.9 cut toward zero") << light << zoom << QVariant(7.9) << QVariant(qint64(7));
        QTest::newRow("zoom junk") << light << zoom << QVariant("big") << QVariant(qint64(3));
        QTest::newRow("colour words") << light << background << QVariant("not a colour") << QVariant(QColor(Qt::white));
        QTest::newRow("pacing junk") << light << QStringLiteral("SlideshowPacing") << QVariant("soon") << QVariant(4.0f);
        QTest::newRow("volume junk") << light << volume << QVariant("loud") << QVariant(1.0f);
        QTest::newRow("volume above full") << light << volume << QVariant(7) << QVariant(1.0f);
        QTest::newRow("volume below silent") << light << volume << QVariant(-0.5) << QVariant(0.0f);
    }

    void readingWhatIsStored()
    {
        QFETCH(QByteArray, appearance);
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        startFresh(appearance);
        if (stored.isValid())
            prefs().setStoredValue(key, stored);
        const QHash<QString, std::function<QVariant()>> getters = {
            {"FolderDepth", [this] { return QVariant(prefs().folderDepth()); }},
            {"IntZoomValue", [this] { return QVariant(prefs().intZoomValue()); }},
            {"BackgroundColor", [this] { return QVariant(prefs().backgroundColor()); }},
            {"LabelColor", [this] { return QVariant(prefs().labelColor()); }},
            {"SlideshowPacing", [this] { return QVariant(prefs().slideshowPacing()); }},
            {"VideoVolume", [this] { return QVariant(prefs().videoVolume()); }},
        };
        QTEST(getters.value(key)(), "expected");
        QCOMPARE(prefs().settings().allKeys().isEmpty(), !stored.isValid()); // defaults are not written
    }

    void valuesSurviveTheFile()
    {
        prefs().setIntZoomValue(7); // a floating-point number holding a whole value
        QCOMPARE(prefs().storedValue(QStringLiteral("IntZoomValue")).metaType(), QMetaType::fromType<double>());
        QCOMPARE(valueInFile(QStringLiteral("IntZoomValue")).toDouble(), 7.0);
        QCOMPARE(prefs().intZoomValue(), 7);
        const QColor translucent(0x12, 0x34, 0x56, 0x80);
        prefs().setLabelColor(translucent);
        QCOMPARE(valueInFile(QStringLiteral("LabelColor")).toString(), QStringLiteral("#80123456"));
        QCOMPARE(prefs().labelColor(), translucent);
    }

    void settersPostOnlyTheirNotificationAfterStoring_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(setterCases().size()); ++i)
            QTest::newRow(setterCases()[i].name) << i;
    }

    void settersPostOnlyTheirNotificationAfterStoring()
    {
        QFETCH(int, index);
        const SetterCase &c = setterCases()[index];
        QStringList posted;
        QVariant inFileWhenPosted;
        for (const QString &name : kChangeNotifications)
            LMRNotificationCenter::defaultCenter().addObserver(m_observer, name, [&, name] {
                posted << name;
                inFileWhenPosted = valueInFile(c.key);
            });
        c.set(prefs());
        QVERIFY(valueInFile(c.key).isValid());
        QCOMPARE(posted, c.notification.isEmpty() ? QStringList() : QStringList{c.notification});
        if (!c.notification.isEmpty()) // already written out when observers hear of it
            QCOMPARE(inFileWhenPosted, valueInFile(c.key));
    }

    void rootFolderResolution_data()
    {
        lmrtest::columns<QString, bool, bool>({"change", "found", "rewritten"});
        // Unchanged, the stored folder is simply found: the start-up test restores it.
        QTest::newRow("removed: forgotten quietly") << "remove" << false << false;
        QTest::newRow("replaced by another folder: stale") << "replace" << true << true;
    }

    void rootFolderResolution()
    {
        QFETCH(QString, change);
        QFETCH(bool, found);
        QFETCH(bool, rewritten);
        QTemporaryDir temp;
        // A comma and a space, which the settings file must quote.
        const QString root = temp.filePath(QStringLiteral("photos, 2024"));
        QVERIFY(QDir().mkpath(root));
        prefs().setDefaultRootFolder(root);
        const QVariant before = prefs().storedValue(QStringLiteral("DefaultRootFolder"));

        if (change == "remove") {
            QVERIFY(QDir(root).removeRecursively());
        } else if (change == "replace") {
            // The newcomer exists before the original goes, so its inode cannot be reused.
            const QString other = temp.filePath(QStringLiteral("other"));
            QVERIFY(QDir().mkpath(other));
            QVERIFY(QDir(root).removeRecursively());
            QVERIFY(QDir().rename(other, root));
        }

        QCOMPARE(prefs().defaultRootFolder(), found ? root : QString());
        const QVariant after = prefs().storedValue(QStringLiteral("DefaultRootFolder"));
        QCOMPARE(after != before, rewritten);
        QCOMPARE(valueInFile(QStringLiteral("DefaultRootFolder")).toStringList().value(0), root);
        if (rewritten)
            QCOMPARE(prefs().defaultRootFolder(), root); // and now plainly found
        QVERIFY(m_alerts.isEmpty());
    }
};

LMR_REGISTER_TEST(PreferencesTest);
#include "PreferencesTest.moc"
