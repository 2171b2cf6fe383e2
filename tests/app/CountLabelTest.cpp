#include "AppTestSupport.h"

#include "app/ThumbnailCountLabel.h"
#include "grid/ImageCollectionView.h"
#include "support/TestRunner.h"

#include <QLabel>
#include <QLocale>

namespace {
// An image item whose pixel size is known without reading a file.
class SizedImageItem : public LMRFileSystemImageItem
{
public:
    SizedImageItem(const QString &path, qint64 width, qint64 height) : LMRFileSystemImageItem(facts(path))
    {
        m_pixelWidth = width;
        m_pixelHeight = height;
    }

private:
    static Facts facts(const QString &path)
    {
        Facts facts;
        facts.resolvedPath = path;
        return facts;
    }
};
} // namespace

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
        QTest::addColumn<quint64>("count");
        QTest::addColumn<qint64>("selected");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty list") << quint64(0) << qint64(0) << "0 images";
        QTest::newRow("one item") << quint64(1) << qint64(0) << "1 image";
        QTest::newRow("one item, selected") << quint64(1) << qint64(1) << "1 of 1 selected \u2022 640 \u00d7 480";
        QTest::newRow("five items") << quint64(5) << qint64(0) << "5 images";
        QTest::newRow("one of five selected") << quint64(5) << qint64(1) << "1 of 5 selected \u2022 640 \u00d7 480";
        QTest::newRow("two of five selected") << quint64(5) << qint64(2) << "2 of 5 selected";
        QTest::newRow("counts are grouped") << quint64(1234) << qint64(0) << "1,234 images";
        QTest::newRow("selection counts are grouped") << quint64(12345) << qint64(1000) << "1,000 of 12,345 selected";
        QTest::newRow("pixel sizes are not grouped") << quint64(2) << qint64(1) << "1 of 2 selected \u2022 640 \u00d7 480";
    }

    void texts()
    {
        QFETCH(quint64, count);
        QFETCH(qint64, selected);
        QFETCH(QString, expected);
        QCOMPARE(LMRThumbnailCountText(count, selected, 640, 480), expected);
    }

    // The label reads the grid's selection and the selected item's pixel size.
    void labelFollowsTheGridSelection_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<QList<qint64>>("selection");
        QTest::addColumn<QString>("expected");

        QTest::newRow("nothing selected") << 5 << QList<qint64>{} << "5 images";
        QTest::newRow("one selected") << 5 << QList<qint64>{3} << "1 of 5 selected \u2022 1920 \u00d7 1080";
        QTest::newRow("two selected") << 5 << QList<qint64>{1, 3} << "2 of 5 selected";
        QTest::newRow("the only item selected") << 1 << QList<qint64>{0} << "1 of 1 selected \u2022 640 \u00d7 480";
    }

    void labelFollowsTheGridSelection()
    {
        QFETCH(int, items);
        QFETCH(QList<qint64>, selection);
        QFETCH(QString, expected);

        auto delegate = apptest::launchDelegate();
        for (int i = 0; i < items; ++i) {
            const bool wide = i == 3;
            delegate->thumbnailItems.push_back(std::make_shared<SizedImageItem>(
                QStringLiteral("/nowhere/image%1.jpg").arg(i), wide ? 1920 : 640, wide ? 1080 : 480));
        }
        LMRIndexSet indices;
        for (qint64 index : selection)
            indices.insert(index);
        delegate->thumbnailsCollectionView->setSelection(indices);
        delegate->setThumbnailCount(delegate->thumbnailItems.size());
        QCOMPARE(delegate->thumbnailCountLabel->text(), expected);
        apptest::terminate(delegate);
    }
};

LMR_REGISTER_TEST(CountLabelTest);
#include "CountLabelTest.moc"
