// lumory-bench view: how soon the full-size viewer has drawn the next item after a step, over
// every file of a folder in name order, with a pause between steps like a user pressing the
// arrow key. Photos count until the image view has painted the new image; videos until the
// first frame reached the video widget. It also reports the longest time the main thread was
// unresponsive during each step and the pause after it.

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

// The longest time the main thread went without turning its event loop, measured by a timer
// that wants to fire every 2 ms: a user sees such a gap as a frozen window.
class StallMonitor
{
public:
    StallMonitor()
    {
        m_timer.setInterval(2);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_worst = std::max(m_worst, double(m_clock.nsecsElapsed()) / 1e6);
            m_clock.restart();
        });
        m_clock.start();
        m_timer.start();
    }
    // The worst gap since the last call.
    double takeWorst()
    {
        const double worst = std::max(m_worst, double(m_clock.nsecsElapsed()) / 1e6);
        m_worst = 0;
        return worst;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_worst = 0;
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

    // A video's player comes a moment after the step; its first frame counts.
    const QMetaObject::Connection startConnection = QObject::connect(&view, &FullSizeView::playerStarted, &loop, [&] {
        frameConnection = QObject::connect(view.playerView()->videoSink(), &QVideoSink::videoFrameChanged, &loop,
                                           [&](const QVideoFrame &frame) {
                                               if (frame.isValid()) {
                                                   drawn = true;
                                                   loop.quit();
                                               }
                                           });
    });

    QElapsedTimer clock;
    clock.start();
    view.showItem(item);
    limit.start(limitMs);
    if (!drawn)
        loop.exec();
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(imageConnection);
    QObject::disconnect(startConnection);
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

LMR_BENCH_COMMAND(view, "view", "view DIR [--pause MS] [--no-prefetch] [--no-wait]  -- ms from a step to the item drawn, main-thread stalls")
{
    QTextStream out(stdout);
    QString folder;
    int pauseMs = 300;
    bool prefetch = true;
    // Off: each step follows the last after the pause alone, as a held arrow key steps on
    // whether or not the item has been drawn.
    bool waitForDrawing = true;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pause") && i + 1 < args.size())
            pauseMs = args[++i].toInt();
        else if (args[i] == QLatin1String("--no-prefetch"))
            prefetch = false;
        else if (args[i] == QLatin1String("--no-wait"))
            waitForDrawing = false;
        else
            folder = args[i];
    }
    if (folder.isEmpty()) {
        out << "usage: lumory-bench view DIR [--pause MS] [--no-prefetch] [--no-wait]\n";
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

    std::vector<double> photoSteps;
    std::vector<double> videoSteps;
    double first = 0;
    int missed = 0;
    // Each step's stall covers the step itself and the pause after it, where work left over from
    // the step (an old player's teardown) runs. A decode on the main thread would show as a
    // stall as long as the decode.
    StallMonitor stalls;
    double worstStall = 0;
    int longStalls = 0;
    auto noteStall = [&](double stall) {
        worstStall = std::max(worstStall, stall);
        longStalls += stall > 100 ? 1 : 0;
        return stall;
    };
    stalls.takeWorst();
    for (size_t i = 0; i < items.size(); ++i) {
        const double ms = timeStep(view, items[i], waitForDrawing ? 5000 : 0);
        const bool video = Preferences::supportedVideoUTIs().contains(items[i]->UTI());
        runEventLoopFor(pauseMs);
        const double stall = noteStall(stalls.takeWorst());
        out << QStringLiteral("%1 %2 %3, main thread stalled %4 ms\n").arg(names[int(i)], -24).arg(video ? "video" : "photo", -6)
                   .arg(ms < 0 ? QStringLiteral("nothing drawn") : QString::number(ms, 'f', 1) + QStringLiteral(" ms"))
                   .arg(stall, 0, 'f', 1);
        out.flush();
        if (!waitForDrawing)
            continue;
        if (ms < 0)
            ++missed;
        else if (i == 0)
            first = ms;
        else
            (video ? videoSteps : photoSteps).push_back(ms);
    }
    view.destroyAVPlayer();
    // What the last step leaves behind, torn down while nothing else happens.
    runEventLoopFor(2000);
    const double stallAfter = noteStall(stalls.takeWorst());

    auto summary = [&](const char *what, const std::vector<double> &steps) {
        if (steps.empty())
            return;
        out << QStringLiteral("%1 steps: %2, median %3 ms, worst %4 ms\n")
                   .arg(QLatin1String(what))
                   .arg(steps.size())
                   .arg(median(steps), 0, 'f', 1)
                   .arg(*std::max_element(steps.begin(), steps.end()), 0, 'f', 1);
    };
    out << QStringLiteral("prefetch %1, pause %2 ms%3, viewer 1280 x 800\n")
               .arg(prefetch ? "on" : "off")
               .arg(pauseMs)
               .arg(waitForDrawing ? QString() : QStringLiteral(" (not waiting for each item to be drawn)"));
    out << QStringLiteral("main thread: worst stall %1 ms, %2 stalls over 100 ms; after the last step %3 ms\n")
               .arg(worstStall, 0, 'f', 1)
               .arg(longStalls)
               .arg(stallAfter, 0, 'f', 1);
    if (waitForDrawing)
        out << QStringLiteral("first item (nothing decoded ahead): %1 ms\n").arg(first, 0, 'f', 1);
    summary("photo", photoSteps);
    summary("video", videoSteps);
    if (missed)
        out << missed << " items drew nothing\n";
    out << QStringLiteral("peak resident memory: %1 MB\n").arg(lmrbench::peakResidentBytes() / (1024 * 1024));
    return 0;
}
