#include "prefs/Preferences.h"
#include "prefs/PreferencesWindowController.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"

#include <QLineEdit>
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

    void cleanup() { controller.reset(); }

    void pacingText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("seconds");
        QTest::newRow("fraction") << "2.5" << 2.5f;
        QTest::newRow("trailing point") << "2." << 2.0f;
        QTest::newRow("with a unit") << "1.5 s" << 1.5f;
        QTest::newRow("negative") << "-2" << -2.0f;
        QTest::newRow("empty") << "" << 0.0f;
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

    // A negative entry is shown and stored as 0; an emptied field stores 0 and stays empty.
    void pacingFieldClampsNegativeAndEmpty()
    {
        QLineEdit *field = controller->slideshowPacingTextField;
        field->clear();
        QTest::keyClicks(field, QStringLiteral("-3"));
        QCOMPARE(field->text(), QStringLiteral("0"));
        QCOMPARE(Preferences::sharedInstance().slideshowPacing(), 0.0f);
        QTest::keyClicks(field, QStringLiteral("7"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QString());
        QCOMPARE(Preferences::sharedInstance().slideshowPacing(), 0.0f);
    }

};

LMR_REGISTER_TEST(PreferencesWindowTest);
#include "PreferencesWindowTest.moc"
