// lumory-bench view: how soon the full-size viewer has drawn the next item after a step, over
// every file of a folder in name order, with a pause between steps like a user pressing the
// arrow key. Photos count until the image view has painted the new image; videos until the
// first frame reached the video widget.

#include "BenchCommand.h"

#include "model/FileSystemImageItem.h"
#include "prefs/Preferences.h"
#include "viewer/FullSizeView.h"
#include "viewer/FullSizeViewDelegate.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaPlayer>
#include <QTextStream>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

#include <algorithm>

namespace {

// Steps are driven by the benchmark itself; the delegate only names the neighbours, as the
// application's does outside a slideshow.
class BenchDelegate : public FullSizeViewDelegate
{
public:
    std::vector<LMRImageItemPtr> items;
    bool prefetch = true;

    void cancelFullSizeView(FullSizeView *) override {}
    void showPreviousImageInFullSizeView(FullSizeView *) override {}
    void showNextImageInFullSizeView(FullSizeView *) override {}
    bool isSlideshowActive() const override { return false; }
    bool isSlideshowPaused() const override { return false; }
    void pauseSlideshow() override {}
    void unpauseSlideshow() override {}
    std::vector<LMRImageItemPtr> itemsNearFullSizeItem(const LMRImageItemPtr &shown) const override
    {
        std::vector<LMRImageItemPtr> near;
        const auto it = std::find(items.begin(), items.end(), shown);
        if (!prefetch || it == items.end())
            return near;
        const size_t index = size_t(it - items.begin());
        if (index + 1 < items.size())
            near.push_back(items[index + 1]);
        if (index > 0)
            near.push_back(items[index - 1]);
        if (index + 2 < items.size())
            near.push_back(items[index + 2]);
        return near;
    }
};

void runEventLoopFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Milliseconds from showItem to the item on screen; negative when nothing came within limit.
double timeStep(FullSizeView &view, const LMRImageItemPtr &item, int limitMs)
{
    QEventLoop loop;
    bool drawn = false;
    QMetaObject::Connection frameConnection;
    const QMetaObject::Connection imageConnection = QObject::connect(&view, &FullSizeView::imageDrawn, &loop, [&] {
        drawn = true;
        loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);

    QElapsedTimer clock;
    clock.start();
    view.showItem(item);
    if (view.playerView()) {
        frameConnection = QObject::connect(view.playerView()->videoSink(), &QVideoSink::videoFrameChanged, &loop,
                                           [&](const QVideoFrame &frame) {
                                               if (frame.isValid()) {
                                                   drawn = true;
                                                   loop.quit();
                                               }
                                           });
    }
    limit.start(limitMs);
    if (!drawn)
        loop.exec();
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(imageConnection);
    QObject::disconnect(frameConnection);
    return drawn ? elapsed : -1.0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

LMR_BENCH_COMMAND(view, "view", "view DIR [--pause MS] [--no-prefetch]  -- ms from a step to the item drawn")
{
    QTextStream out(stdout);
    QString folder;
    int pauseMs = 300;
    bool prefetch = true;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pause") && i + 1 < args.size())
            pauseMs = args[++i].toInt();
        else if (args[i] == QLatin1String("--no-prefetch"))
            prefetch = false;
        else
            folder = args[i];
    }
    if (folder.isEmpty()) {
        out << "usage: lumory-bench view DIR [--pause MS] [--no-prefetch]\n";
        return 2;
    }

    QStringList names = QDir(folder).entryList(QDir::Files);
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), collator);
    std::vector<LMRImageItemPtr> items;
    for (const QString &name : names)
        items.push_back(std::make_shared<LMRFileSystemImageItem>(QDir(folder).absoluteFilePath(name)));
    if (items.empty()) {
        out << "no files in " << folder << "\n";
        return 1;
    }
    Preferences::sharedInstance().setIncludeVideos(true);

    FullSizeView view;
    view.resize(1280, 800);
    BenchDelegate delegate;
    delegate.items = items;
    delegate.prefetch = prefetch;
    view.setDelegate(&delegate);
    view.show();
    runEventLoopFor(200);

    // How long the main thread went without turning its event loop: a decode there would show
    // as a stall as long as the decode.
    QElapsedTimer stallClock;
    qint64 lastTurn = 0;
    qint64 longestStall = 0;
    QTimer turns;
    turns.setInterval(2);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, stallClock.elapsed() - lastTurn);
        lastTurn = stallClock.elapsed();
    });
    stallClock.start();
    turns.start();

    std::vector<double> photoSteps;
    std::vector<double> videoSteps;
    double first = 0;
    int missed = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const double ms = timeStep(view, items[i], 5000);
        const bool video = view.player() != nullptr;
        out << QStringLiteral("%1 %2 %3\n").arg(names[int(i)], -24).arg(video ? "video" : "photo", -6)
                   .arg(ms < 0 ? QStringLiteral("nothing drawn") : QString::number(ms, 'f', 1) + QStringLiteral(" ms"));
        out.flush();
        if (ms < 0)
            ++missed;
        else if (i == 0)
            first = ms;
        else
            (video ? videoSteps : photoSteps).push_back(ms);
        runEventLoopFor(pauseMs);
    }
    turns.stop();
    view.destroyAVPlayer();

    auto summary = [&](const char *what, const std::vector<double> &steps) {
        if (steps.empty())
            return;
        out << QStringLiteral("%1 steps: %2, median %3 ms, worst %4 ms\n")
                   .arg(QLatin1String(what))
                   .arg(steps.size())
                   .arg(median(steps), 0, 'f', 1)
                   .arg(*std::max_element(steps.begin(), steps.end()), 0, 'f', 1);
    };
    out << QStringLiteral("prefetch %1, pause %2 ms, viewer 1280 x 800\n").arg(prefetch ? "on" : "off").arg(pauseMs);
    out << QStringLiteral("first item (nothing decoded ahead): %1 ms\n").arg(first, 0, 'f', 1);
    out << QStringLiteral("longest main-thread stall: %1 ms\n").arg(longestStall);
    summary("photo", photoSteps);
    summary("video", videoSteps);
    if (missed)
        out << missed << " items drew nothing\n";
    out << QStringLiteral("peak resident memory: %1 MB\n").arg(lmrbench::peakResidentBytes() / (1024 * 1024));
    return 0;
}
