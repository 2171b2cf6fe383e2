#include "BrowseTestSupport.h"

#include "app/BusyIndicator.h"
#include "platform/ImageSource.h"

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

    void staleMessagesDropped_data()
    {
        lmrtest::columns<QString>({"sender"});
        QTest::newRow("replaced walk") << "replaced";
        QTest::newRow("cancelled walk") << "cancelled";
    }
    void staleMessagesDropped()
    {
        QFETCH(QString, sender);
        AppDelegate app;
        QVERIFY(launch(app));
        const auto stale = expectWalk(app);
        if (sender == QLatin1String("replaced"))
            expectWalk(app);
        else
            app.cancelThumbnailEnumerationThread();
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

    // A large folder is re-sorted every thousand items while it lists; the screen is drawn
    // again when the sort changed what it shows, and only then.
    void resortWhileListing_data()
    {
        lmrtest::columns<int, QString, bool>({"lateNumber", "firstName", "redrawn"});
        QTest::newRow("the late items sort below the screen") << 5000 << "img00001.jpg" << false;
        QTest::newRow("a late item sorts to the top") << 0 << "img00000.jpg" << true;
    }
    void resortWhileListing()
    {
        QFETCH(int, lateNumber);
        QFETCH(bool, redrawn);
        AppDelegate app;
        QVERIFY(launch(app));
        ImageCollectionView *grid = app.thumbnailsCollectionView;
        const auto walk = expectWalk(app);
        for (int batch = 0; batch < 10; ++batch) {
            std::vector<int> numbers;
            for (int n = 1; n <= 100; ++n)
                numbers.push_back(batch * 100 + n);
            app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, numberedImages(numbers), false));
        }
        QTest::qWait(50);

        struct PaintRecorder : QObject {
            QRegion painted;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    painted += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        } recorder;
        grid->viewport()->installEventFilter(&recorder);
        std::vector<int> late{lateNumber};
        for (int n = 1001; n < 1100; ++n)
            late.push_back(n);
        app.didReceiveItemsFromDirectoryEnumerationThread(message(walk, numberedImages(late), false));
        QTest::qWait(50);

        QCOMPARE(grid->itemCount(), quint64(1100));
        QTEST(app.thumbnailItems.front()->name(), "firstName");
        // Drawn again whole, or not at all.
        QCOMPARE(recorder.painted.contains(grid->viewport()->rect()), redrawn);
        QCOMPARE(recorder.painted.isEmpty(), !redrawn);
    }
};

LMR_REGISTER_TEST(ThumbnailListTest);
#include "ThumbnailListTest.moc"
