#pragma once
// Helpers for the browse tests: items made from facts (no file needed), enumeration messages
// handed straight to the delegate, and a launched main window of a known size.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "model/DirectoryEnumerationThread.h"
#include "prefs/Preferences.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <sys/stat.h>

namespace lmrbrowse {

struct ItemFacts {
    QString name;
    std::optional<quint64> size = {};
    std::optional<qint64> modificationNs = {};
    std::optional<qint64> creationNs = {};
    bool isDirectory = false;
    bool statOk = true;
};

inline LMRImageItemPtr makeItem(const ItemFacts &facts, const QString &folder = QStringLiteral("/lmr-test-folder"))
{
    LMRFileSystemItem::Facts f;
    f.resolvedPath = folder + QLatin1Char('/') + facts.name;
    f.isDirectory = facts.isDirectory;
    f.statOk = facts.statOk;
    f.size = facts.size;
    f.modificationNs = facts.modificationNs;
    f.creationNs = facts.creationNs;
    f.fileType = facts.isDirectory ? S_IFDIR : S_IFREG;
    return std::make_shared<LMRFileSystemImageItem>(f);
}

// Images named img00000.jpg ... in the given order of numbers.
inline std::vector<LMRImageItemPtr> numberedImages(const std::vector<int> &numbers)
{
    std::vector<LMRImageItemPtr> items;
    for (int n : numbers)
        items.push_back(makeItem({QStringLiteral("img%1.jpg").arg(n, 5, 10, QLatin1Char('0')), quint64(n)}));
    return items;
}

inline QStringList namesOf(const std::vector<LMRImageItemPtr> &items)
{
    QStringList names;
    for (const auto &item : items)
        names << item->name();
    return names;
}

inline LMRDirectoryEnumerationMessage message(const std::shared_ptr<LMRDirectoryEnumerationThread> &thread,
                                              std::vector<LMRImageItemPtr> items, bool done)
{
    LMRDirectoryEnumerationMessage m;
    m.items = std::move(items);
    m.thread = thread;
    m.done = done;
    return m;
}

// A walk the delegate waits for; never started, its messages are made by the test.
inline std::shared_ptr<LMRDirectoryEnumerationThread> expectWalk(AppDelegate &app)
{
    app.thumbnailEnumerationThread =
        LMRDirectoryEnumerationThread::create(&app, 0, QStringLiteral("/lmr-test-folder"));
    return app.thumbnailEnumerationThread;
}

// The whole listing of a new walk in one final message.
inline void listAll(AppDelegate &app, std::vector<LMRImageItemPtr> items)
{
    app.didReceiveItemsFromDirectoryEnumerationThread(message(expectWalk(app), std::move(items), true));
}

// Fresh preferences, the window up, the grid's viewport of the given size at zoom step 1.
inline bool launch(AppDelegate &app, QSize viewport = QSize(1200, 900))
{
    Preferences::sharedInstance().clearForTesting();
    app.launch();
    if (!QTest::qWaitForWindowExposed(app.window))
        return false;
    ImageCollectionView *grid = app.thumbnailsCollectionView;
    // A scroll bar that comes and goes would change the columns under the test's feet.
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const QSize extra = app.window->size() - grid->viewport()->size();
    app.window->resize(viewport + extra);
    if (!QTest::qWaitFor([&] { return grid->viewport()->size() == viewport; }, 5000))
        return false;
    app.thumbnailZoomSlider->setValue(1);
    return grid->itemSize() == 96;
}

} // namespace lmrbrowse
