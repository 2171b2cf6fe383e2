#include "platform/RecentFiles.h"

#include "platform/RecentFolders.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <utility>

namespace LMRRecentFiles {

namespace {

// A note waits this long before the list is rewritten: the folder just opened lists and draws
// its first screen meanwhile without a third busy thread beside its walk and the renders.
constexpr int kNoteDelayMs = 1500;

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

// Notes not handed to the writer yet (main thread only).
QStringList &waitingNotes()
{
    static QStringList notes;
    return notes;
}

void startWaitingNotes()
{
    for (const QString &folderPath : std::exchange(waitingNotes(), {}))
        writer().start([folderPath] { LMRNoteRecentFolder(folderPath); });
}

QTimer *delayTimer()
{
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, startWaitingNotes);
    }
    return timer;
}

} // namespace

void noteNewRecentDocument(const QString &folderPath)
{
    // The list is read, rewritten whole and flushed to disk: tens of milliseconds that opening
    // a folder does not wait for.
    waitingNotes().append(folderPath);
    QTimer *timer = delayTimer();
    if (!timer)
        startWaitingNotes();
    else if (!timer->isActive())
        timer->start(kNoteDelayMs);
}

void waitForPendingNotes()
{
    if (QTimer *timer = delayTimer())
        timer->stop();
    startWaitingNotes();
    writer().waitForDone();
}

} // namespace LMRRecentFiles
