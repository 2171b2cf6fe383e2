#pragma once
// Shared by the sidebar tests: a launched delegate on fresh settings, folders made on the fly,
// and waiting for the root's listing to end.

#include "sidebar/OutlineView.h"
#include "support/AppSession.h"
#include "support/DataTable.h"

namespace sidebartest {

// The program, launched once a test has made its folders; reset in cleanup().
inline AppDelegate &launch(std::unique_ptr<lmrtest::AppSession> &session)
{
    session = std::make_unique<lmrtest::AppSession>();
    return **session;
}

// A fresh temporary folder and its resolved path, for init().
inline QString freshRoot(std::unique_ptr<QTemporaryDir> &dir)
{
    dir.reset(new QTemporaryDir);
    return dir->isValid() ? QDir(dir->path()).canonicalPath() : QString();
}

inline OutlineView *outline(const AppDelegate &delegate)
{
    return qobject_cast<OutlineView *>(delegate.sidebarOutlineView.data());
}

inline void makeFolders(const QString &root, const QStringList &relativePaths)
{
    for (const QString &path : relativePaths)
        QVERIFY(QDir(root).mkpath(path));
}

// Every walk has ended and every message it sent has been delivered.
inline void settle()
{
    LMRDirectoryEnumerationThread::waitForRunningWalks();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents();
}

// Waits until path is the root and its listing has ended.
inline bool waitForRoot(const AppDelegate &delegate, const QString &path)
{
    const QString resolved = QDir(path).canonicalPath();
    const bool rooted = QTest::qWaitFor([&] {
        return delegate.sidebarRootFolderItem && delegate.sidebarRootFolderItem->path() == resolved
            && !delegate.sidebarEnumerationThread;
    });
    settle();
    return rooted;
}

template <typename Items>
QStringList namesOf(const Items &items)
{
    QStringList names;
    for (const auto &item : items)
        names << item->name();
    return names;
}
inline QStringList rowNames(const AppDelegate &delegate) { return namesOf(delegate.sidebarItems); }
inline QStringList historyNames(const AppDelegate &delegate) { return namesOf(delegate.sidebarNavHistory); }
inline qint64 rowOf(const AppDelegate &delegate, const QString &name) { return rowNames(delegate).indexOf(name); }

// The centre of a row, and a point of the list below every row.
inline QPoint rowCenter(OutlineView *view, qint64 row)
{
    return view->visualRect(view->model()->index(int(row), 0)).center();
}
inline QPoint emptySpace(OutlineView *view)
{
    return QPoint(view->viewport()->width() / 2, view->viewport()->height() - 4);
}

} // namespace sidebartest
