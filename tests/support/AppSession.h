#pragma once
// The program's delegate launched on fresh settings with its main window, shut down as at exit
// when the test ends, and a folder of its own for the files a test makes.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "model/DirectoryEnumerationThread.h"
#include "prefs/Preferences.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "viewer/FullSizeView.h"

namespace lmrtest {

class AppSession
{
public:
    // With `listed` small images item00.png, item01.png... put straight into the list, as a
    // finished walk leaves it, without loading their thumbnails.
    explicit AppSession(int listed = 0)
    {
        Preferences::sharedInstance().clearForTesting();
        delegate = std::make_unique<AppDelegate>();
        delegate->launch();
        for (int i = 0; i < listed; ++i) {
            const QString name = QStringLiteral("item%1.png").arg(i, 2, 10, QLatin1Char('0'));
            delegate->thumbnailItems.push_back(std::make_shared<LMRFileSystemImageItem>(write(name)));
        }
        if (listed)
            delegate->thumbnailsCollectionView->reloadData();
    }
    ~AppSession()
    {
        delegate->applicationWillTerminate();
        delegate.reset();
        LMRDirectoryEnumerationThread::waitForRunningWalks();
    }

    AppDelegate *operator->() const { return delegate.get(); }
    AppDelegate &operator*() const { return *delegate; }

    QString write(const QString &name) const { return writeImage(folder.filePath(name), 8, 6, "PNG"); }
    // Adds images image0.png... as a batch of the folder walk does: sorted in, thumbnails loaded.
    void addImages(int count) const
    {
        std::vector<LMRImageItemPtr> batch;
        for (int i = 0; i < count; ++i)
            batch.push_back(std::make_shared<LMRFileSystemImageItem>(write(QStringLiteral("image%1.png").arg(i))));
        delegate->addThumbnails(batch);
    }

    // Lets a pending validation of the commands run, so that what a test sees next comes from
    // its own change.
    bool settleCommands() const
    {
        auto *timer = delegate->findChild<QTimer *>(QStringLiteral("commandValidationTimer"));
        QCoreApplication::processEvents();
        return QTest::qWaitFor([timer] { return !timer || !timer->isActive(); });
    }

    LMRImageItemPtr item(int index) const { return delegate->thumbnailItems.at(size_t(index)); }
    QList<qint64> selection() const
    {
        const LMRIndexSet &set = delegate->thumbnailsCollectionView->selection();
        return QList<qint64>(set.begin(), set.end());
    }
    bool viewerShown() const { return delegate->isFullSizeViewShown(); }
    LMRImageItemPtr shownItem() const { return delegate->fullSizeView->shownItem(); }

    QTemporaryDir folder;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace lmrtest
