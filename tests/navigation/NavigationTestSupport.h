#pragma once
// Shared by the navigation tests: a launched delegate whose list holds small images of a
// temporary folder (no folder walk involved), and the grid's selection as a plain list.

#include "app/AppDelegate.h"
#include "grid/ImageCollectionView.h"
#include "prefs/Preferences.h"
#include "support/TestUtils.h"
#include "viewer/FullSizeView.h"

#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace navtest {

class Session
{
public:
    explicit Session(int itemCount)
    {
        Preferences::sharedInstance().clearForTesting();
        delegate = std::make_unique<AppDelegate>();
        delegate->launch();
        for (int i = 0; i < itemCount; ++i)
            delegate->thumbnailItems.push_back(std::make_shared<LMRFileSystemImageItem>(
                write(QStringLiteral("item%1.png").arg(i, 2, 10, QLatin1Char('0')))));
        delegate->thumbnailsCollectionView->reloadData();
    }

    ~Session() { delegate->applicationWillTerminate(); }

    QString write(const QString &name) const
    {
        return lmrtest::writeImage(folder.filePath(name), 8, 6, "PNG");
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

} // namespace navtest
