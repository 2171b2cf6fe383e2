#include "BenchCommand.h"

#include "model/DirectoryEnumerationThread.h"
#include "model/FileSystemImageItem.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QEventLoop>
#include <QTextStream>

namespace {

class CollectingConsumer : public QObject, public LMRDirectoryEnumerationThreadConsumer
{
public:
    void didReceiveItemsFromDirectoryEnumerationThread(const LMRDirectoryEnumerationMessage &message) override
    {
        items.insert(items.end(), message.items.begin(), message.items.end());
        ++messages;
        if (message.done) {
            elapsedNs = timer.nsecsElapsed();
            loop.quit();
        }
    }
    std::vector<LMRImageItemPtr> items;
    int messages = 0;
    QElapsedTimer timer;
    qint64 elapsedNs = -1;
    QEventLoop loop;
};

} // namespace

LMR_BENCH_COMMAND(list, "list",
                  "list DIR [--depth 0|-1] [--print]  -- items of a walk (count, time); --print: names in list order")
{
    QStringList rest = args;
    qint64 depth = -1;
    const qsizetype depthAt = rest.indexOf(QStringLiteral("--depth"));
    if (depthAt >= 0 && depthAt + 1 < rest.size()) {
        depth = rest.at(depthAt + 1).toLongLong();
        rest.remove(depthAt, 2);
    }
    const bool print = rest.removeAll(QStringLiteral("--print")) > 0;
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (rest.size() != 1) {
        err << "usage: lumory-bench list DIR [--depth 0|-1] [--print]\n";
        return 2;
    }

    // A root that cannot be opened sends nothing at all, so it is not waited for.
    if (!QFileInfo(rest.first()).isDir()) {
        err << "not a folder: " << rest.first() << "\n";
        return 1;
    }
    CollectingConsumer consumer;
    auto walk = LMRDirectoryEnumerationThread::create(&consumer, depth, rest.first());
    consumer.timer.start();
    walk->start();
    consumer.loop.exec();

    QElapsedTimer sortTimer;
    sortTimer.start();
    LMRFileSystemItem::sort(consumer.items);
    const double sortMs = sortTimer.nsecsElapsed() / 1e6;

    if (print) {
        for (const auto &item : consumer.items)
            out << item->name() << "\n";
    }
    err << "items " << consumer.items.size() << "  messages " << consumer.messages << "  listing "
        << consumer.elapsedNs / 1e9 << " s  sort " << sortMs << " ms  peak RSS "
        << lmrbench::peakResidentBytes() / (1 << 20) << " MiB\n";
    return 0;
}
