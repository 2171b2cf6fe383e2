#include "BrowseTestSupport.h"

#include "app/BusyIndicator.h"
#include "browse/ThumbnailSort.h"
#include "platform/ImageSource.h"

#include <numeric>

using namespace lmrbrowse;

class ThumbnailListTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { Preferences::sharedInstance().clearForTesting(); }

    void typeFilter_data()
    {
        lmrtest::columns<QString, bool, bool, bool, bool, bool>(
            {"name", "isDirectory", "statOk", "includePDFs", "includeVideos", "listed"});

        QTest::newRow("pdf while PDFs are off") << "a.pdf" << false << true << false << true << false;
        QTest::newRow("pdf while PDFs are on") << "a.pdf" << false << true << true << false << true;
        QTest::newRow("mp4 while videos are off") << "a.mp4" << false << true << true << false << false;
        QTest::newRow("quicktime while videos are on") << "a.mov" << false << true << false << true << true;
        QTest::newRow("matroska, another video type") << "a.mkv" << false << true << true << true << false;
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
        listAll(app, {makeItem({name, 10, {}, {}, isDirectory, statOk})});
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(listed ? 1 : 0));
    }

    // 2,500 items in batches of 100, each batch below every earlier one: batches reach the grid
    // as they arrive, and the list is in order exactly after the batches that pushed the count
    // since the last sort past 1000, and after the final message.
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
            QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(batch * 100));
            if (LMRThumbnailSort::isSorted(app.thumbnailItems, 1, 1))
                sortedAfter << batch * 100;
        }
        QCOMPARE(sortedAfter, QList<int>({1100, 2200}));
        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, {}, true));
        QVERIFY(LMRThumbnailSort::isSorted(app.thumbnailItems, 1, 1));
    }

    void staleMessagesDropped_data()
    {
        lmrtest::columns<QString>({"sender"});
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
        QCOMPARE(app.thumbnailsCollectionView->itemCount(), quint64(0));
        QCOMPARE(app.thumbnailEnumerationThread, current);
        QVERIFY(!app.thumbnailLoadingSpinner->isHidden());
        if (sender == QLatin1String("cancelled"))
            QVERIFY(!current && stale->isCancelled());
    }

    // The menu and the checkbox set the depth and list the folder again; the same depth does not.
    void folderDepthControls()
    {
        AppDelegate app;
        QVERIFY(launch(app));
        Preferences::sharedInstance().setFolderDepth(-1);
        app.updateFolderDepthUI();
        const auto walk = expectWalk(app);
        app.setFolderDepth(-1);
        QCOMPARE(app.thumbnailEnumerationThread, walk);
        QVERIFY(!walk->isCancelled());

        app.setFolderDepthFromMenu(app.folderDepth0MenuItem);
        QCOMPARE(Preferences::sharedInstance().folderDepth(), qint64(0));
        QVERIFY(!app.folderDepthCheckbox->isChecked());
        QVERIFY(!app.folderDepthUnlimitedMenuItem->isChecked());
        QVERIFY(app.thumbnailEnumerationThread != walk);

        app.folderDepthCheckbox->setChecked(true);
        app.didChangeFolderDepth(app.folderDepthCheckbox);
        QCOMPARE(Preferences::sharedInstance().folderDepth(), qint64(-1));
        QVERIFY(app.folderDepthUnlimitedMenuItem->isChecked());
    }
};

LMR_REGISTER_TEST(ThumbnailListTest);
#include "ThumbnailListTest.moc"
