#include "NavigationTestSupport.h"

#include "sidebar/ErrorSheet.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include <QDir>
#include <QFile>
#include <QLabel>

using navtest::Session;

class DeletionTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_alerts;

    static QString trashedFile(const QString &name)
    {
        return lmrtest::trashFolder() + QLatin1String("/files/") + name;
    }

    static QList<int> originalIndices(const Session &s, const std::vector<LMRImageItemPtr> &original)
    {
        QList<int> result;
        for (qint64 index : s.selection())
            result.append(int(std::find(original.begin(), original.end(), s.item(int(index))) - original.begin()));
        return result;
    }

private slots:
    void init()
    {
        // Every test starts with an empty Trash (the test run's, never the user's).
        QFile::remove(lmrtest::trashFolder());
        QDir(lmrtest::trashFolder()).removeRecursively();
        m_alerts.clear();
        LMRErrorSheet::setHandlerForTesting([this](QWidget *, const QString &text) { m_alerts.append(text); });
    }

    void cleanup()
    {
        LMRErrorSheet::setHandlerForTesting({});
        QFile::remove(lmrtest::trashFolder());
    }

    void selectionAfterDeletion_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("deleted");
        QTest::addColumn<int>("shown");            // -1: the grid is on show
        QTest::addColumn<int>("expected");         // original index of the item selected; -1 none
        QTest::newRow("items 1 and 2 of five select the one that was at 4") << 5 << QList<int>{1, 2} << -1 << 4;
        QTest::newRow("the first of three") << 3 << QList<int>{0} << -1 << 1;
        QTest::newRow("the last of five") << 5 << QList<int>{4} << -1 << 3;
        QTest::newRow("the only item") << 1 << QList<int>{0} << -1 << -1;
        QTest::newRow("the shown middle item") << 5 << QList<int>{2} << 2 << 3;
        QTest::newRow("the shown last item") << 5 << QList<int>{4} << 4 << 3;
        QTest::newRow("the shown only item") << 1 << QList<int>{0} << 0 << -1;
    }

    void selectionAfterDeletion()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, deleted);
        QFETCH(int, shown);
        QFETCH(int, expected);
        Session s(count);
        const std::vector<LMRImageItemPtr> original = s.delegate->thumbnailItems;
        if (shown >= 0) {
            s.delegate->showItemWithIndexInFullSizeView(quint64(shown));
            s.delegate->startSlideshowWithMode(AppDelegate::kSlideshowInOrder);
        }
        std::vector<LMRImageItemPtr> items;
        for (int index : deleted)
            items.push_back(original[size_t(index)]);

        s.delegate->didDeleteItems(items);
        QCOMPARE(s.delegate->thumbnailItems.size(), size_t(count - deleted.size()));
        QCOMPARE(s.delegate->thumbnailsCollectionView->itemCount(), quint64(count - deleted.size()));
        QCOMPARE(originalIndices(s, original), expected < 0 ? QList<int>{} : QList<int>{expected});
        if (shown >= 0) {
            QCOMPARE(s.viewerShown(), expected >= 0);
            if (expected >= 0)
                QCOMPARE(s.shownItem(), original[size_t(expected)]);
            else
                QVERIFY(!s.delegate->isSlideshowActive());
        }
    }

    void trashesTheSelectedFiles()
    {
        Session s(5);
        s.delegate->thumbnailsCollectionView->addItemAtIndexToSelection(1);
        s.delegate->thumbnailsCollectionView->addItemAtIndexToSelection(2);
        const LMRImageItemPtr fourth = s.item(4);
        s.delegate->deleteSelectedItems(nullptr);
        QVERIFY(m_alerts.isEmpty());
        QVERIFY(!QFile::exists(s.folder.filePath(QStringLiteral("item01.png"))));
        QVERIFY(QFile::exists(trashedFile(QStringLiteral("item01.png"))));
        QCOMPARE(s.delegate->thumbnailItems.size(), size_t(3));
        QCOMPARE(s.selection(), QList<qint64>{2});
        QCOMPARE(s.item(2), fourth);
    }

    // The Trash cannot be set up (its folder is blocked by a plain file): nothing leaves the
    // list, and one alert names every file with the reason.
    void untrashableFilesStayListedWithOneAlert()
    {
        QFile blocker(lmrtest::trashFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Session s(5);
        s.delegate->thumbnailsCollectionView->addItemAtIndexToSelection(1);
        s.delegate->thumbnailsCollectionView->addItemAtIndexToSelection(3);
        s.delegate->deleteSelectedItems(nullptr);
        QCOMPARE(s.delegate->thumbnailItems.size(), size_t(5));
        QVERIFY(QFile::exists(s.folder.filePath(QStringLiteral("item01.png"))));
        QCOMPARE(s.selection(), (QList<qint64>{1, 3}));
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts[0].contains(QLatin1String("item01.png")));
        QVERIFY(m_alerts[0].contains(QLatin1String("item03.png")));
    }

    void droppedItemsJoinSortedAndSelected()
    {
        Session s(10);
        const QStringList dropped{QStringLiteral("item08a.png"), QStringLiteral("item04a.png")};
        std::vector<LMRImageItemPtr> items;
        for (const QString &name : dropped)
            items.push_back(std::make_shared<LMRFileSystemImageItem>(s.write(name)));
        s.delegate->collectionViewReceivedItemsByDrag(s.delegate->thumbnailsCollectionView, items);
        QCOMPARE(s.delegate->thumbnailItems.size(), size_t(12));
        QCOMPARE(s.item(5), items[1]);
        QCOMPARE(s.item(10), items[0]);
        QCOMPARE(s.selection(), (QList<qint64>{5, 10}));
        QCOMPARE(s.delegate->thumbnailCountLabel->text(), QStringLiteral("2 of 12 selected"));
    }

};

LMR_REGISTER_TEST(DeletionTest);
#include "DeletionTest.moc"
