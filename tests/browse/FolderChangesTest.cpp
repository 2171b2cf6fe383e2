// The shown folder kept current while others change it: new files in their sorted places once
// they stop growing, removed ones gone with the selection rule of a deletion, changed ones drawn
// anew, the shown folder going away, and the system's watch limit.

#include "BrowseTestSupport.h"
#include "support/ImageFixtures.h"

#include "browse/FolderChanges.h"
#include "model/Cache.h"
#include "platform/FolderWatcher.h"
#include "platform/SharedThumbnailCache.h"

#include <utime.h>

using namespace lmrbrowse;

namespace {

QImage filled(QColor colour)
{
    return lmrimages::filled(QSize(120, 90), colour);
}

bool listed(AppDelegate &app)
{
    return app.displayedSidebarItem && !app.thumbnailEnumerationThread && !app.sidebarEnumerationThread;
}

// Whether the item's thumbnail is drawn, in about that colour.
bool thumbnailIs(AppDelegate &app, const QString &name, const QColor &colour)
{
    for (const LMRImageItemPtr &item : app.thumbnailItems) {
        const QImage image = item->name() == name ? item->cachedThumbnailWithSize(96) : QImage();
        if (!image.isNull())
            return lmrimages::similar(image.pixelColor(48, 48), colour, 39);
    }
    return false;
}

QStringList selectedNames(AppDelegate &app)
{
    QStringList names;
    for (qint64 index : app.thumbnailsCollectionView->selection())
        names << app.thumbnailItems[size_t(index)]->name();
    return names;
}

} // namespace

class FolderChangesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    // The folder with a.png and c.png (and what else is asked), shown and listed.
    bool showFolder(AppDelegate &app, const QStringList &more = {}, qint64 depth = 0)
    {
        for (const QString &name : QStringList{"a.png", "c.png"} + more) {
            QDir().mkpath(QFileInfo(path(name)).path());
            if (!filled(Qt::blue).save(path(name)))
                return false;
        }
        if (!launch(app))
            return false;
        Preferences::sharedInstance().setFolderDepth(depth);
        app.setSidebarRootURL(m_dir->path());
        return QTest::qWaitFor([&] { return listed(app); }, 10000);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
    }

    // A new file joins in its place; removing a file keeps the selection of what remains, or,
    // when it was the selected one, moves it on as a deletion does.
    void createAndDelete_data()
    {
        lmrtest::columns<QString, QString, QStringList, QString>(
            {"selected", "removed", "afterwards", "selectedAfterwards"});
        QTest::newRow("unselected file removed") << "c.png" << "a.png" << QStringList{"b.png", "c.png"} << "c.png";
        QTest::newRow("selected file removed") << "b.png" << "b.png" << QStringList{"a.png", "c.png"} << "c.png";
    }
    void createAndDelete()
    {
        QFETCH(QString, selected);
        QFETCH(QString, removed);
        QFETCH(QStringList, afterwards);
        QFETCH(QString, selectedAfterwards);
        AppDelegate app;
        QVERIFY(showFolder(app));
        QCOMPARE(namesOf(app.thumbnailItems), (QStringList{"a.png", "c.png"}));

        QVERIFY(filled(Qt::red).save(path("b.png")));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(app.thumbnailItems), (QStringList{"a.png", "b.png", "c.png"}), 5000);
        QTRY_VERIFY(thumbnailIs(app, "b.png", Qt::red));
        QCOMPARE(app.thumbnailCountLabel->text(), QStringLiteral("3 images"));

        app.thumbnailsCollectionView->addItemAtIndexToSelection(namesOf(app.thumbnailItems).indexOf(selected));
        QCOMPARE(selectedNames(app), QStringList{selected});
        QVERIFY(QFile::remove(path(removed)));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(app.thumbnailItems), afterwards, 5000);
        QCOMPARE(selectedNames(app), QStringList{selectedAfterwards});
    }

    // A changed file is drawn anew.
    void modifiedFileIsThumbnailedAgain()
    {
        AppDelegate app;
        QVERIFY(showFolder(app));
        QTRY_VERIFY(thumbnailIs(app, "a.png", Qt::blue));
        QVERIFY(filled(Qt::green).save(path("a.png")));
        const utimbuf later{time(nullptr) + 5, time(nullptr) + 5};
        ::utime(QFile::encodeName(path("a.png")).constData(), &later);
        QTRY_VERIFY_WITH_TIMEOUT(thumbnailIs(app, "a.png", Qt::green), 5000);
        QCOMPARE(namesOf(app.thumbnailItems), (QStringList{"a.png", "c.png"}));
    }

    // A file written over two seconds is neither listed nor given up on half-way; once it has
    // stopped growing it is listed and drawn.
    void growingFileWaitsUntilComplete()
    {
        AppDelegate app;
        QVERIFY(showFolder(app));
        const QByteArray png = lmrimages::encoded(filled(Qt::red).scaled(800, 600), "PNG", 100);
        QFile file(path("b.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const int pieces = 10;
        for (int i = 0; i < pieces; ++i) {
            file.write(png.mid(png.size() * i / pieces, png.size() * (i + 1) / pieces - png.size() * i / pieces));
            file.flush();
            QTest::qWait(200);
            QVERIFY2(!namesOf(app.thumbnailItems).contains("b.png"), "listed while still growing");
        }
        file.close();
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(app.thumbnailItems), (QStringList{"a.png", "b.png", "c.png"}), 5000);
        QTRY_VERIFY(thumbnailIs(app, "b.png", Qt::red));
        QVERIFY(!QFile::exists(LMRSharedThumbnailCache::sharedInstance().failureEntryPath(path("b.png"))));
    }

    // With sub-folders included every listed folder is watched, and a folder that appears is
    // listed with what it holds.
    void subFolders()
    {
        AppDelegate app;
        QVERIFY(showFolder(app, {"sub/d.png"}, -1));
        QCOMPARE(namesOf(app.thumbnailItems), (QStringList{"a.png", "c.png", "d.png"}));
        QVERIFY(filled(Qt::red).save(path("sub/b.png")));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(app.thumbnailItems), (QStringList{"a.png", "b.png", "c.png", "d.png"}), 5000);
        // A folder with a picture moved in at once.
        QTemporaryDir outside;
        QVERIFY(QDir().mkpath(outside.filePath("new")));
        QVERIFY(filled(Qt::red).save(outside.filePath("new/e.png")));
        QVERIFY(QDir().rename(outside.filePath("new"), path("new")));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(app.thumbnailItems).contains("e.png"), true, 5000);
        // And a removed folder takes its pictures with it.
        QVERIFY(QDir(path("sub")).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(app.thumbnailItems), (QStringList{"a.png", "c.png", "e.png"}), 5000);
    }

    // The shown folder removed or renamed: said in the window like a folder that cannot be read,
    // its items gone, the root and its history kept.
    void shownFolderGoes_data()
    {
        QTest::addColumn<bool>("renamed");
        QTest::newRow("removed") << false;
        QTest::newRow("renamed") << true;
    }
    void shownFolderGoes()
    {
        QFETCH(bool, renamed);
        AppDelegate app;
        QVERIFY(showFolder(app));
        const QString shown = m_dir->path();
        if (renamed)
            QVERIFY(QDir().rename(shown, shown + "-renamed"));
        else
            QVERIFY(QDir(shown).removeRecursively());
        auto *problem = app.window->findChild<QLabel *>("folderProblemLabel");
        QVERIFY(problem);
        QTRY_VERIFY_WITH_TIMEOUT(problem->isVisible(), 5000);
        QVERIFY2(problem->text().contains(QFileInfo(shown).fileName()), qPrintable(problem->text()));
        QVERIFY(app.thumbnailItems.empty());
        QCOMPARE(app.thumbnailCountLabel->text(), QStringLiteral("0 images"));
        QCOMPARE(app.sidebarNavHistory.size(), size_t(1));
        if (renamed)
            QDir(shown + "-renamed").removeRecursively();
    }

    // Past the system's watch limit the rest of the tree is listed all the same, unwatched, and
    // the limit is logged once.
    void watchLimit()
    {
        LMRFolderWatcher::setWatchLimitForTesting(3);
        const auto unlimit = qScopeGuard([] { LMRFolderWatcher::setWatchLimitForTesting(0); });
        QStringList more;
        for (int i = 1; i <= 6; ++i)
            more << QString("sub%1/p%1.png").arg(i);
        AppDelegate app;
        {
            lmrimages::LogLines log;
            QVERIFY(showFolder(app, more, -1));
            QCOMPARE(log.count(), 1);
        }
        QCOMPARE(app.thumbnailItems.size(), size_t(8));
        QCOMPARE(app.folderChanges->watcher.watchCount(), 3);
        QVERIFY(app.folderChanges->watcher.limitReached());
        // The watched folder still follows its changes.
        QVERIFY(filled(Qt::red).save(path("b.png")));
        QTRY_COMPARE_WITH_TIMEOUT(app.thumbnailItems.size(), size_t(9), 5000);
    }
};

LMR_REGISTER_TEST(FolderChangesTest);
#include "FolderChangesTest.moc"
