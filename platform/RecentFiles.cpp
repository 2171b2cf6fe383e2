#include "platform/RecentFiles.h"

#include "platform/RecentFolders.h"

#include <QThreadPool>

namespace LMRRecentFiles {

namespace {
// One writer, so that notes reach the shared list in the order they were made.
QThreadPool &writer()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(1);
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
