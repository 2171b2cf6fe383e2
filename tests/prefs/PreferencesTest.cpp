#include "prefs/Preferences.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

namespace {

// Reads the file the store wrote, as the next start of the program would.
QVariant valueInFile(const QString &key)
{
    return QSettings(Preferences::sharedInstance().settings().fileName(), QSettings::IniFormat).value(key);
}

} // namespace

class PreferencesTest : public QObject
{
    Q_OBJECT

private:
    Preferences &prefs() { return Preferences::sharedInstance(); }
    QStringList m_alerts;

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
    }

    void cleanup()
    {
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
        QTest::newRow("depth 5 means every level") << light << depth << QVariant(5) << QVariant(qint64(-1));
        QTest::newRow("depth absent") << light << depth << QVariant() << QVariant(qint64(0));
        QTest::newRow("zoom 7.9 cut toward zero") << light << zoom << QVariant(7.9) << QVariant(qint64(7));
        QTest::newRow("zoom junk") << light << zoom << QVariant("big") << QVariant(qint64(3));
        QTest::newRow("colour words") << light << background << QVariant("not a colour") << QVariant(QColor(Qt::white));
        QTest::newRow("pacing junk") << light << QStringLiteral("SlideshowPacing") << QVariant("soon") << QVariant(4.0f);
        QTest::newRow("volume junk") << light << volume << QVariant("loud") << QVariant(1.0f);
        QTest::newRow("volume above full") << light << volume << QVariant(7) << QVariant(1.0f);
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
            {"SlideshowPacing", [this] { return QVariant(prefs().slideshowPacing()); }},
            {"VideoVolume", [this] { return QVariant(prefs().videoVolume()); }},
        };
        QTEST(getters.value(key)(), "expected");
        QCOMPARE(prefs().settings().allKeys().isEmpty(), !stored.isValid()); // defaults are not written
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
