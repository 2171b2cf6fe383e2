#pragma once
// Shared by the command tests: the real delegate launched on fresh settings, and the states the
// enabling table reads, set the way the program sets them.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "prefs/Preferences.h"
#include "support/TestUtils.h"

#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace commandstest {

struct LaunchedDelegate {
    std::unique_ptr<AppDelegate> delegate;
    AppDelegate *operator->() const { return delegate.get(); }

    LaunchedDelegate()
    {
        Preferences::sharedInstance().clearForTesting();
        delegate = std::make_unique<AppDelegate>();
        delegate->launch();
    }
    ~LaunchedDelegate() { delegate->applicationWillTerminate(); }
};

// Lets a pending validation run, so that what a test sees next comes from its own change.
inline bool settle(AppDelegate &delegate)
{
    auto *timer = delegate.findChild<QTimer *>(QStringLiteral("commandValidationTimer"));
    QCoreApplication::processEvents();
    return QTest::qWaitFor([timer] { return !timer || !timer->isActive(); });
}

// Adds count images to the list as a batch of the folder walk does.
inline void fillList(AppDelegate &delegate, const QTemporaryDir &dir, int count)
{
    std::vector<LMRImageItemPtr> batch;
    for (int i = 0; i < count; ++i) {
        const QString path = lmrtest::writeImage(dir.filePath(QStringLiteral("image%1.png").arg(i)), 8, 8);
        batch.push_back(std::make_shared<LMRFileSystemImageItem>(path));
    }
    delegate.addThumbnails(batch);
}

} // namespace commandstest
