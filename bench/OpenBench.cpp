#include "BenchCommand.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "model/Cache.h"
#include "platform/SharedThumbnailCache.h"
#include "prefs/Preferences.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <ctime>
#include <mutex>

namespace {

// Processor time of the whole process and of the calling thread, in nanoseconds.
struct ProcessorTime {
    qint64 process = 0;
    qint64 thread = 0;

    static ProcessorTime now()
    {
        const auto read = [](clockid_t clock) {
            timespec time{};
            clock_gettime(clock, &time);
            return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
        };
        return {read(CLOCK_PROCESS_CPUTIME_ID), read(CLOCK_THREAD_CPUTIME_ID)};
    }
};

// Watches the grid's paint events: what a paint draws is what the cache holds at that moment.
class PaintWatcher : public QObject
{
public:
    PaintWatcher(AppDelegate &app, const QElapsedTimer &clock) : m_app(app), m_clock(clock)
    {
        app.thumbnailsCollectionView->viewport()->installEventFilter(this);
    }

    qint64 firstDrawnNs = -1;
    qint64 allDrawnNs = -1;
    qint64 visibleCount = 0;
    qint64 drawnCount = 0;
    bool listingComplete = false;
    ProcessorTime atStart;
    ProcessorTime atAllDrawn;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            check();
        return false;
    }

    void check()
    {
        ImageCollectionView *grid = m_app.thumbnailsCollectionView;
        const LMRIndexRange range = grid->visibleItemsRange();
        const qint64 size = grid->itemSize();
        LMRThumbnailRAMCache &cache = LMRThumbnailRAMCache::sharedInstance();
        qint64 drawn = 0;
        for (qint64 i = range.location; i < range.location + range.length && size_t(i) < m_app.thumbnailItems.size(); ++i)
            if (!cache.objectForKey(m_app.thumbnailItems[size_t(i)]->thumbnailKey(size)).isNull())
                ++drawn;
        if (drawn > 0 && firstDrawnNs < 0)
            firstDrawnNs = m_clock.nsecsElapsed();
        // Only the screen of the complete, sorted list counts: before that the screen changes.
        if (listingComplete) {
            visibleCount = range.length;
            drawnCount = drawn;
            if (drawn == range.length && range.length > 0 && allDrawnNs < 0) {
                allDrawnNs = m_clock.nsecsElapsed();
                atAllDrawn = ProcessorTime::now();
            }
        }
    }

private:
    AppDelegate &m_app;
    const QElapsedTimer &m_clock;
};

QString seconds(qint64 ns)
{
    return ns < 0 ? QStringLiteral("-") : QStringLiteral("%1 s").arg(double(ns) / 1e9, 0, 'f', 3);
}

} // namespace

LMR_BENCH_COMMAND(open, "open",
                  "open DIR [--depth 0|-1] [--workers N] [--no-disk]  -- the main window opening DIR: items listed, "
                  "time to the complete listing, to the first and to every visible thumbnail drawn, the main "
                  "thread's longest stall. Thumbnails come from and go to the desktop's shared cache "
                  "($XDG_CACHE_HOME/thumbnails) unless --no-disk")
{
    QStringList rest = args;
    auto takeNumber = [&rest](const QString &option, qint64 fallback) {
        const qsizetype at = rest.indexOf(option);
        if (at < 0 || at + 1 >= rest.size())
            return fallback;
        const qint64 value = rest.at(at + 1).toLongLong();
        rest.remove(at, 2);
        return value;
    };
    const qint64 depth = takeNumber(QStringLiteral("--depth"), 0);
    const qint64 workers = takeNumber(QStringLiteral("--workers"), 0);
    const bool disk = !rest.removeOne(QStringLiteral("--no-disk"));
    QTextStream out(stdout);
    if (rest.size() != 1 || !QFileInfo(rest.first()).isDir()) {
        QTextStream(stderr) << "usage: lumory-bench open DIR [--depth 0|-1] [--workers N] [--no-disk]\n";
        return 2;
    }
    const QString folder = QFileInfo(rest.first()).canonicalFilePath();

    // A first start: default settings, nothing restored, the chosen depth.
    Preferences &preferences = Preferences::sharedInstance();
    preferences.clearForTesting();
    preferences.setFolderDepth(depth);
    preferences.setDiskThumbnails(disk);
    LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
    LMRThumbnailLoadingShared::requestedWorkerCount = int(workers);

    AppDelegate app;
    app.launch();
    app.window->resize(1920, 1080);
    // Settled once the resize has been written to the settings too: a window restored at its
    // size writes nothing while its first folder opens.
    const auto *geometryTimer = app.findChild<QTimer *>(QStringLiteral("windowGeometryTimer"));
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300 || (geometryTimer && geometryTimer->isActive() && settle.elapsed() < 5000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    QElapsedTimer clock;
    PaintWatcher watcher(app, clock);
    qint64 listedNs = -1;
    qint64 longestStallNs = 0;
    qint64 longestStallAtNs = 0;
    qint64 lastTickNs = 0;
    qint64 idleSinceNs = -1;

    // A 1 ms heartbeat: the longest gap between two beats is the longest time the main thread
    // did not return to its event loop.
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QEventLoop loop;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 gap = now - lastTickNs;
        if (gap > 20'000'000 && qEnvironmentVariableIsSet("LMR_BENCH_STALLS"))
            QTextStream(stderr) << "stall " << gap / 1000000 << " ms at " << lastTickNs / 1000000 << " ms\n";
        if (gap > longestStallNs) {
            longestStallNs = gap;
            longestStallAtNs = lastTickNs;
        }
        lastTickNs = now;

        // The root's own walk starts once the sidebar's has ended; it is over when it is
        // forgotten again.
        if (listedNs < 0 && app.displayedSidebarItem && !app.thumbnailEnumerationThread) {
            listedNs = now;
            watcher.listingComplete = true;
            // The last batch's paint may have run before this beat noticed the end, and with
            // every visible thumbnail already cached nothing would paint again: paint once now.
            app.thumbnailsCollectionView->viewport()->repaint();
        }
        if (listedNs < 0)
            return;
        if (watcher.allDrawnNs >= 0) {
            loop.quit();
            return;
        }
        // Files that never decode keep their placeholders: stop once the loader has gone idle.
        bool queueEmpty;
        {
            std::lock_guard<std::mutex> guard(app.thumbnailLoading->pendingThumbnailLoadsLock);
            queueEmpty = app.thumbnailLoading->pendingThumbnailLoads.empty();
        }
        if (queueEmpty && app.thumbnailLoading->sleeping()) {
            if (idleSinceNs < 0)
                idleSinceNs = now;
            else if (now - idleSinceNs > 1'000'000'000)
                loop.quit();
        } else {
            idleSinceNs = -1;
        }
        if (now > 300'000'000'000)
            loop.quit();
    });

    watcher.atStart = ProcessorTime::now();
    clock.start();
    heartbeat.start();
    app.setSidebarRootURL(folder);
    loop.exec();
    heartbeat.stop();

    // The next run is to find what this one rendered: the writer finishes before the process
    // ends (outside the measurement).
    QElapsedTimer writes;
    writes.start();
    const bool written = !disk || LMRSharedThumbnailCache::sharedInstance().waitForPendingWrites(120000);

    out << "open " << folder << " --depth " << depth << "\n";
    out << "  loading workers:                 " << app.thumbnailLoading->workers.load() << "\n";
    out << "  disk thumbnails:                 "
        << (disk ? LMRSharedThumbnailCache::sharedInstance().rootPath() : QStringLiteral("off")) << "\n";
    out << "  items listed:                    " << app.thumbnailItems.size() << "\n";
    out << "  listing complete:                " << seconds(listedNs) << "\n";
    out << "  first thumbnail drawn:           " << seconds(watcher.firstDrawnNs) << "\n";
    out << "  every visible thumbnail drawn:   " << seconds(watcher.allDrawnNs) << "  (" << watcher.drawnCount
        << " of " << watcher.visibleCount << " visible drawn)\n";
    out << "    after the listing's end:       "
        << seconds(watcher.allDrawnNs >= 0 && listedNs >= 0 ? watcher.allDrawnNs - listedNs : -1) << "\n";
    // What the first screen cost in all: with every core busy its time is about this over the
    // number of cores; what is not the workers' (the listing, the main thread) is shared with them.
    if (watcher.allDrawnNs >= 0) {
        out << "  processor time until then:       "
            << seconds(watcher.atAllDrawn.process - watcher.atStart.process) << "  (main thread "
            << seconds(watcher.atAllDrawn.thread - watcher.atStart.thread) << ")\n";
    }
    out << "  longest main-thread stall:       " << QString::number(double(longestStallNs) / 1e6, 'f', 1)
        << " ms (at " << seconds(longestStallAtNs) << ")\n";
    out << "  peak resident memory:            " << lmrbench::peakResidentBytes() / (1024 * 1024) << " MiB\n";
    if (disk)
        out << "  disk writes finished after:      " << (written ? seconds(writes.nsecsElapsed()) : QStringLiteral("(timed out)"))
            << " more\n";
    out.flush();
    app.applicationWillTerminate();
    return 0;
}
