#include "AppTestSupport.h"

#include "app/ThumbnailCountLabel.h"
#include "grid/ImageCollectionView.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

class CountLabelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Preferences::sharedInstance().clearForTesting();
    }

    void cleanupTestCase()
    {
        QLocale::setDefault(QLocale::system());
    }

    void texts_data()
    {
        // The plain counts are on show in the scenarios.
        lmrtest::columns<quint64, qint64, QString>({"count", "selected", "expected"});
        QTest::newRow("one of five selected") << quint64(5) << qint64(1) << "1 of 5 selected \u2022 640 \u00d7 480";
        QTest::newRow("two of five selected") << quint64(5) << qint64(2) << "2 of 5 selected";
        QTest::newRow("counts are grouped") << quint64(1234) << qint64(0) << "1,234 images";
        QTest::newRow("selection counts are grouped") << quint64(12345) << qint64(1000) << "1,000 of 12,345 selected";
    }

    void texts()
    {
        QFETCH(quint64, count);
        QFETCH(qint64, selected);
        QTEST(LMRThumbnailCountText(count, selected, 640, 480), "expected");
    }

};

LMR_REGISTER_TEST(CountLabelTest);
#include "CountLabelTest.moc"
