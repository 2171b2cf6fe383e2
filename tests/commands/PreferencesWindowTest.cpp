#include "prefs/ColorWell.h"
#include "prefs/Preferences.h"
#include "prefs/PreferencesWindowController.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Counts one notification while it lives.
struct NotificationCount : QObject {
    int count = 0;
    explicit NotificationCount(const QString &name)
    {
        LMRNotificationCenter::defaultCenter().addObserver(this, name, [this] { ++count; });
    }
};

} // namespace

class PreferencesWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PreferencesWindowController> controller;

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
        controller = std::make_unique<PreferencesWindowController>();
        controller->showWindow();
    }

    void cleanup()
    {
        controller.reset();
    }

    void pacingText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("seconds");
        QTest::newRow("whole") << "3" << 3.0f;
        QTest::newRow("fraction") << "2.5" << 2.5f;
        QTest::newRow("trailing point") << "2." << 2.0f;
        QTest::newRow("with a unit") << "1.5 s" << 1.5f;
        QTest::newRow("negative") << "-2" << -2.0f;
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("words") << "soon" << 0.0f;
        QTest::newRow("infinity") << "inf" << 0.0f;
    }

    void pacingText()
    {
        QFETCH(QString, text);
        QFETCH(float, seconds);
        QCOMPARE(LMRPacingFromText(text), seconds);
    }

    // Every keystroke is stored, and each store is announced (a running show restarts on it).
    void pacingStoredOnEveryKeystroke()
    {
        QLineEdit *field = controller->slideshowPacingTextField;
        field->clear();
        NotificationCount changes(LMRNotifications::SlideshowPacingChanged);
        const QList<std::pair<char, float>> keystrokes{{'2', 2.0f}, {'.', 2.0f}, {'5', 2.5f}};
        for (const auto &[key, stored] : keystrokes) {
            QTest::keyClick(field, key);
            QCOMPARE(Preferences::sharedInstance().slideshowPacing(), stored);
        }
        QCOMPARE(field->text(), QStringLiteral("2.5"));
        QCOMPARE(changes.count, 3);
    }

    void negativePacingBecomesZero()
    {
        QLineEdit *field = controller->slideshowPacingTextField;
        field->clear();
        QTest::keyClicks(field, QStringLiteral("-3"));
        QCOMPARE(field->text(), QStringLiteral("0"));
        QCOMPARE(Preferences::sharedInstance().slideshowPacing(), 0.0f);
    }

    void emptyPacingStoresZero()
    {
        QLineEdit *field = controller->slideshowPacingTextField;
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QString());
        QCOMPARE(Preferences::sharedInstance().slideshowPacing(), 0.0f);
    }

    void checkboxesStoreAtOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("notification");
        QTest::newRow("PDFs") << "includePDFsButton" << QString();
        QTest::newRow("videos") << "includeVideosButton" << QString();
        QTest::newRow("high quality") << "highQualityThumbnailsButton" << LMRNotifications::HighQualityThumbnailsChanged;
    }

    // The high-quality box announces its change, which is what empties the thumbnail cache.
    void checkboxesStoreAtOnce()
    {
        QFETCH(QString, name);
        QFETCH(QString, notification);
        auto *box = controller->window()->findChild<QCheckBox *>(name);
        QVERIFY(box);
        Preferences &preferences = Preferences::sharedInstance();
        auto stored = [&] {
            if (name == QLatin1String("includePDFsButton"))
                return preferences.includePDFs();
            if (name == QLatin1String("includeVideosButton"))
                return preferences.includeVideos();
            return preferences.highQualityThumbnails();
        };
        NotificationCount changes(notification.isEmpty() ? QStringLiteral("none") : notification);
        for (int click = 1; click <= 2; ++click) {
            box->click();
            QCOMPARE(stored(), box->isChecked());
            if (!notification.isEmpty())
                QCOMPARE(changes.count, click);
        }
    }

    void colourChoiceAndReset()
    {
        Preferences &preferences = Preferences::sharedInstance();
        const QColor registered = preferences.backgroundColor();
        NotificationCount changes(LMRNotifications::BackgroundColorChanged);
        controller->backgroundColorWell->chooseColor(QColor(200, 10, 10));
        QCOMPARE(preferences.backgroundColor(), QColor(200, 10, 10));
        QCOMPARE(changes.count, 1);

        controller->window()->findChild<QPushButton *>(QStringLiteral("backgroundColorWellReset"))->click();
        QCOMPARE(preferences.backgroundColor(), registered);
        QCOMPARE(controller->backgroundColorWell->color(), registered);
        QCOMPARE(changes.count, 2);
        // Stored explicitly, not merely forgotten.
        QVERIFY(preferences.storedValue(QStringLiteral("BackgroundColor")).isValid());
    }
};

LMR_REGISTER_TEST(PreferencesWindowTest);
#include "PreferencesWindowTest.moc"
