#pragma once
// What AppDelegate keeps to follow changes made to the shown folder by others: the watcher,
// the paths waiting for their files to settle, and the walks that bring whole folders in (a
// sub-folder that appeared, or everything after the system dropped events). Main thread only.
//
// A path is looked at again only once its size and time have stood still for kSettle, so a
// file still being written is neither listed nor thumbnailed half-way (nor marked failed). A
// file written to and not closed since waits kOpenSettle: a program that writes in bursts (a
// download) may pause longer than kSettle while it still has the file open.

#include "model/DirectoryEnumerationThread.h"
#include "platform/FolderWatcher.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

struct LMRFolderChanges {
    static constexpr std::chrono::milliseconds kSettle{500};
    static constexpr std::chrono::milliseconds kOpenSettle{3000};
    static constexpr std::chrono::milliseconds kTick{200};

    // What a path looked like at the last look: a file's size and time, or nothing there.
    struct Observed {
        bool isFile = false;
        qint64 size = -1;
        qint64 mtimeNs = 0;
        bool operator==(const Observed &) const = default;
    };
    static Observed observe(const QString &path);

    struct Pending {
        Observed last;
        qint64 changedAtNs = 0;
        bool open = false;      // written to, no close seen since
    };

    // A walk whose items are merged into the list when it ends. A reconciling walk also takes
    // out listed items below its folder that it did not find.
    struct MergeWalk {
        std::shared_ptr<LMRDirectoryEnumerationThread> thread;
        QString folder;
        bool reconcile = false;
        std::vector<LMRImageItemPtr> items;
    };

    LMRFolderWatcher watcher;
    QString shownFolder;       // empty: nothing watched
    bool subFolders = false;   // every level below the shown folder is listed, so watched
    QHash<QString, Pending> pending;
    QTimer timer;
    QElapsedTimer clock;
    std::vector<MergeWalk> walks;
};
