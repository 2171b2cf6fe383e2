#include "BrowseTestSupport.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include "app/BusyIndicator.h"
#include "browse/ThumbnailSort.h"
#include "platform/ImageSource.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>

#include <numeric>

using namespace lmrbrowse;

class ThumbnailListTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { Preferences::sharedInstance().clearForTesting(); }

    void typeFilter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isDirectory");
        QTest::addColumn<bool>("statOk");
        QTest::addColumn<bool>("includePDFs");
        QTest::addColumn<bool>("includeVideos");
        QTest::addColumn<bool>("listed");

        QTest::newRow("jpeg") << "a.jpg" << false << true << false << false << true;
        QTest::newRow("png with everything off") << "a.png" << false << true << false << false << true;
        QTest::newRow("pdf while PDFs are off") << "a.pdf" << false << true << false << true << false;
        QTest::newRow("pdf while PDFs are on") << "a.pdf" << false << true << true << false << true;
        QTest::newRow("mp4 while videos are off") << "a.mp4" << false << true << true << false << false;
        QTest::newRow("mp4 while videos are on") << "a.mp4" << false << true << false << true << true;
        QTest::newRow("quicktime while videos are on") << "a.mov" << false << true << false << true << true;
        QTest::newRow("m4v while videos are on") << "a.m4v" << false << true << false << true << true;
        QTest::newRow("matroska, another video type") << "a.mkv" << false << true << true << true << false;
        QTest::newRow("webm, another video type") << "a.webm" << false << true << true << true << false;
        QTest::newRow("text document") << "notes.txt" << false << true << true << true << false;
        QTest::newRow("folder") << "Holiday" << true << true << true << true << false;
        QTest::newRow("folder with an image name") << "album.jpg" << true << true << true << true << false;
        QTest::newRow("no type (unreadable entry)") << "b.jpg" << false << false << true << true << false;
    }
    void typeFilter()
    {
        QFETCH(QString, name);
        QFETCH(bool, isDirectory);
        QFETCH(bool, statOk);
        QFETCH(bool, includePDFs);
        QFETCH(bool, includeVideos);
        QFETCH(bool, listed);
        if (name.endsWith(QLatin1String(".pdf")) && !LMRImageSource::canRead(QStringLiteral("application/pdf")))
            QSKIP("built without a PDF renderer");

        AppDelegate app;
        QVERIFY(launch(app));
        Preferences::sharedInstance().setIncludePDFs(includePDFs);
        Preferences::sharedInstance().setIncludeVideos(includeVideos);
        const auto walk = expectWalk(app);
        app.didReceiveItemsFromDirectoryEnumerationThread(
            message(walk, {makeItem({name, 10, {}, {}, isDirectory, statOk})}, true));
        QCOMPARE(app.thumbnailItems.size(), size_t(listed ? 1 : 0));
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(listed ? 1 : 0));
    }

    // Batches reach the grid in arrival order; the one sort comes with the final message.
    void batchesWithoutResortBeforeTheEnd()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        const auto walk = expectWalk(app);
        std::vector<int> numbers(250);
        std::iota(numbers.rbegin(), numbers.rend(), 0);   // arrives in descending order
        const auto items = numberedImages(numbers);
        const auto slice = [&](size_t from, size_t to) {
            return std::vector<LMRImageItemPtr>(items.begin() + long(from), items.begin() + long(to));
        };

        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, slice(0, 100), false));
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(100));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, slice(100, 200), false));
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(200));
        QCOMPARE(namesOf(app.thumbnailItems), namesOf(slice(0, 200)));
        QVERIFY(app.thumbnailEnumerationThread);

        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, slice(200, 250), true));
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(250));
        QVERIFY(LMRThumbnailSort::isSorted(app.thumbnailItems, 1, 1));
        QCOMPARE(app.thumbnailItems.front()->name(), QStringLiteral("img00000.jpg"));
        QVERIFY(!app.thumbnailEnumerationThread);
        QVERIFY(app.thumbnailLoadingSpinner->isHidden());
        QCOMPARE(app.thumbnailCountLabel->text(), QStringLiteral("250 images"));
    }

    // 2,500 items in batches of 100, each batch below every earlier one: the list is in order
    // exactly after the batches that pushed the count since the last sort past 1000.
    void resortsAfterMoreThanAThousand()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        const auto walk = expectWalk(app);
        std::vector<int> numbers(2500);
        std::iota(numbers.rbegin(), numbers.rend(), 0);
        const auto items = numberedImages(numbers);
        QList<int> sortedAfter;
        for (int batch = 1; batch <= 25; ++batch) {
            std::vector<LMRImageItemPtr> slice(items.begin() + (batch - 1) * 100, items.begin() + batch * 100);
            app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, std::move(slice), false));
            if (LMRThumbnailSort::isSorted(app.thumbnailItems, 1, 1))
                sortedAfter << batch * 100;
        }
        QCOMPARE(sortedAfter, QList<int>({1100, 2200}));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, {}, true));
        QCOMPARE(app.thumbnailItems.size(), size_t(2500));
        QVERIFY(LMRThumbnailSort::isSorted(app.thumbnailItems, 1, 1));
    }

    void staleMessagesDropped_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::newRow("replaced walk") << "replaced";
        QTest::newRow("cancelled walk") << "cancelled";
        QTest::newRow("no sender") << "none";
    }
    void staleMessagesDropped()
    {
        QFETCH(QString, sender);
        AppDelegate app;
        QVERIFY(launch(app));
        std::shared_ptr<LMRDirectoryEnumerationThread> stale = expectWalk(app);
        if (sender == QLatin1String("replaced"))
            expectWalk(app);
        else if (sender == QLatin1String("cancelled"))
            app.cancelThumbnailEnumerationThread();
        else
            stale = nullptr;
        const auto current = app.thumbnailEnumerationThread;
        app.thumbnailLoadingSpinner->show();

        app.didReceiveItemsFromDirectoryEnumerationThread(message(stale, numberedImages({3, 1, 2}), false));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(stale, numberedImages({4}), true));
        QVERIFY(app.thumbnailItems.empty());
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(0));
        QCOMPARE(app.thumbnailEnumerationThread, current);
        QVERIFY(!app.thumbnailLoadingSpinner->isHidden());
        if (sender == QLatin1String("cancelled"))
            QVERIFY(!current);
    }

    void cancelForgetsTheWalkBeforeCancellingIt()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        const auto walk = expectWalk(app);
        app.cancelThumbnailEnumerationThread();
        QVERIFY(!app.thumbnailEnumerationThread);
        QVERIFY(walk->isCancelled());
        app.cancelThumbnailEnumerationThread();   // nothing running: nothing happens
    }

    void selectionCarriedOverSort_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("three of five") << 5 << QList<int>{0, 2, 3};
        QTest::newRow("twelve of forty, one pass") << 40 << QList<int>{0, 1, 5, 7, 8, 13, 20, 21, 30, 33, 38, 39};
    }
    void selectionCarriedOverSort()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        AppDelegate app;
        QVERIFY(launch(app));
        // Sizes that order the items differently from their names.
        std::vector<LMRImageItemPtr> items;
        for (int i = 0; i < count; ++i)
            items.push_back(makeImage(QStringLiteral("p%1.png").arg(i), quint64((i * 7919) % 1009)));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(expectWalk(app), items, true));
        QStringList selectedNames;
        for (int index : selected) {
            app.thumbnailsCollectionView->addItemAtIndexToSelection(index);
            selectedNames << app.thumbnailItems[size_t(index)]->name();
        }

        app.didChangeThumbnailSortOptions(app.sortThumbnailsByFileSizeMenuItem);
        app.didChangeThumbnailSortOptions(app.sortThumbnailsDescendingMenuItem);
        QCOMPARE(Preferences::sharedInstance().thumbnailSortBy(), qint64(4));
        QCOMPARE(Preferences::sharedInstance().thumbnailSortOrder(), qint64(2));
        QVERIFY(LMRThumbnailSort::isSorted(app.thumbnailItems, 4, 2));
        QStringList nowSelected;
        for (qint64 index : app.thumbnailsCollectionView->selection())
            nowSelected << app.thumbnailItems[size_t(index)]->name();
        nowSelected.sort();
        selectedNames.sort();
        QCOMPARE(nowSelected, selectedNames);
    }

    void unknownSortKeyIsLoggedAndChangesNothing()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(expectWalk(app), numberedImages({5, 1, 3}), false));
        Preferences::sharedInstance().setThumbnailSortBy(7);
        QTest::ignoreMessage(QtInfoMsg, "unknown sort by: 7");
        app.sortThumbnails();
        QCOMPARE(namesOf(app.thumbnailItems), namesOf(numberedImages({5, 1, 3})));
    }

    void countLabel_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << 0 << QList<int>{} << "0 images";
        QTest::newRow("one") << 1 << QList<int>{} << "1 image";
        QTest::newRow("one, selected") << 1 << QList<int>{0} << "1 of 1 selected \u2022 640 \u00d7 480";
        QTest::newRow("five") << 5 << QList<int>{} << "5 images";
        QTest::newRow("one of five") << 5 << QList<int>{0} << "1 of 5 selected \u2022 640 \u00d7 480";
        QTest::newRow("two of five") << 5 << QList<int>{1, 3} << "2 of 5 selected";
        QTest::newRow("grouped") << 1234 << QList<int>{} << "1,234 images";
    }
    void countLabel()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        QFETCH(QString, text);
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QTemporaryDir dir;
        // The first item is a real 640 x 480 picture whose size is not known until selected.
        std::vector<LMRImageItemPtr> items;
        if (count > 0)
            items.push_back(std::make_shared<LMRFileSystemImageItem>(
                lmrtest::writeImage(dir.filePath(QStringLiteral("a.png")), 640, 480)));
        for (int i = 1; i < count; ++i)
            items.push_back(makeImage(QStringLiteral("b%1.png").arg(i)));

        AppDelegate app;
        QVERIFY(launch(app));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(expectWalk(app), items, true));
        for (int index : selected)
            app.thumbnailsCollectionView->addItemAtIndexToSelection(index);
        const QString shown = app.thumbnailCountLabel->text();
        QLocale::setDefault(previous);
        QCOMPARE(shown, text);
    }

    void folderDepthControls_data()
    {
        QTest::addColumn<qint64>("depth");
        QTest::newRow("every level") << qint64(-1);
        QTest::newRow("this folder only") << qint64(0);
    }
    void folderDepthControls()
    {
        QFETCH(qint64, depth);
        AppDelegate app;
        QVERIFY(launch(app));
        const auto walk = expectWalk(app);
        const qint64 other = depth == 0 ? -1 : 0;
        Preferences::sharedInstance().setFolderDepth(other);
        app.updateFolderDepthUI();

        // The menu item's data is the depth.
        QAction *item = depth == 0 ? app.folderDepth0MenuItem : app.folderDepthUnlimitedMenuItem;
        app.setFolderDepthFromMenu(item);
        QCOMPARE(Preferences::sharedInstance().folderDepth(), depth);
        QCOMPARE(app.folderDepthCheckbox->isChecked(), depth == -1);
        QCOMPARE(app.folderDepthUnlimitedMenuItem->isChecked(), depth == -1);
        QCOMPARE(app.folderDepth0MenuItem->isChecked(), depth == 0);
        // The folder is listed again: the waiting walk is replaced (or the show is requested).
        QVERIFY(app.thumbnailEnumerationThread != walk || app.placeholderCalls.join(u'|').contains(QLatin1String("showSidebarItem")));

        // The checkbox gives the other value back.
        app.folderDepthCheckbox->setChecked(depth == 0);
        app.didChangeFolderDepth(app.folderDepthCheckbox);
        QCOMPARE(Preferences::sharedInstance().folderDepth(), other);
    }

    void sameFolderDepthDoesNotListAgain()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        const auto walk = expectWalk(app);
        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, numberedImages({1, 2}), false));
        app.thumbnailsCollectionView->addItemAtIndexToSelection(1);
        app.placeholderCalls.clear();
        app.setFolderDepth(Preferences::sharedInstance().folderDepth());
        QCOMPARE(app.thumbnailEnumerationThread, walk);
        QVERIFY(!walk->isCancelled());
        QCOMPARE(app.thumbnailItems.size(), size_t(2));
        QCOMPARE(app.thumbnailsCollectionView->selection().count(), qint64(1));
        QVERIFY(!app.placeholderCalls.join(u'|').contains(QLatin1String("showSidebarItem")));
    }

    void refreshWithoutFolderDoesNothing()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        app.placeholderCalls.clear();
        app.refresh(app.refreshMenuItem);
        QVERIFY(!app.thumbnailEnumerationThread);
        QVERIFY(!app.sidebarEnumerationThread);
        QVERIFY(app.thumbnailItems.empty());
        QVERIFY(!app.placeholderCalls.join(u'|').contains(QLatin1String("SidebarRootURL")));
        QVERIFY(!app.placeholderCalls.join(u'|').contains(QLatin1String("showSidebarItem")));
    }

    void showFilenamesTogglesTitleAndPreference()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        const bool before = Preferences::sharedInstance().showFilenames();
        app.showFilenames(app.showFilenamesMenuItem);
        QCOMPARE(Preferences::sharedInstance().showFilenames(), !before);
        QCOMPARE(app.showFilenamesMenuItem->text(), before ? QStringLiteral("Show File Names") : QStringLiteral("Hide File Names"));
        app.showFilenames(app.showFilenamesMenuItem);
        QCOMPARE(app.showFilenamesMenuItem->text(), before ? QStringLiteral("Hide File Names") : QStringLiteral("Show File Names"));
    }
};

LMR_REGISTER_TEST(ThumbnailListTest);
#include "ThumbnailListTest.moc"
