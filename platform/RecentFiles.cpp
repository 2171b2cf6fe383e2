#include "platform/RecentFiles.h"

#include "platform/RecentFolders.h"

#include <QThread>
#include <QThreadPool>

namespace LMRRecentFiles {

namespace {
// One writer, so that notes reach the shared list in the order they were made.
QThreadPool &writer()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(1);
        // Parsing and rewriting the shared list takes a core for ~10 ms just as a folder opens,
        // when the listing and the first thumbnails need it.
        p->setThreadPriority(QThread::IdlePriority);
        return p;
    }();
    return *pool;
}
} // namespace

void noteNewRecentDocument(const QString &folderPath)
{
    // The list is read, rewritten whole and flushed to disk: tens of milliseconds that opening
    // a folder does not wait for.
    writer().start([folderPath] { LMRNoteRecentFolder(folderPath); });
}

void waitForPendingNotes()
{
    writer().waitForDone();
}

} // namespace LMRRecentFiles
