// lumory-bench paint: how long the thumbnail grid takes to paint a full 1920 x 1080 viewport
// whose thumbnails are all cached, at the top of the document and in its middle. Under
// QT_SCALE_FACTOR the frame is painted at that device pixel ratio, with thumbnails made for it.

#include "BenchCommand.h"

#include "grid/ImageCollectionView.h"
#include "grid/ImageCollectionViewDelegate.h"
#include "model/Cache.h"
#include "model/PixelSize.h"
#include "prefs/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QTextStream>

#include <algorithm>

namespace {

class BenchDelegate : public ImageCollectionViewDelegate
{
public:
    std::vector<LMRImageItemPtr> items;

    qint64 collectionViewNumberOfItemsInSection(ImageCollectionView *, qint64) override { return qint64(items.size()); }
    LMRImageItemPtr collectionViewItemForRepresentedObjectAtIndexPath(ImageCollectionView *, qint64 index) override
    {
        return items[size_t(index)];
    }
    void collectionViewSelectionDidChange(ImageCollectionView *) override {}
    void collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *, qint64) override {}
    void collectionViewDeleteSelectedItems(ImageCollectionView *) override {}
    LMRItemPtr collectionViewDisplayedContentItem(ImageCollectionView *) override { return nullptr; }
    void collectionViewReceivedItemsByDrag(ImageCollectionView *, const std::vector<LMRImageItemPtr> &) override {}
};

// A landscape picture fitted into the square, transparent above and below, as thumbnails are.
QImage syntheticThumbnail(qint64 side, int seed)
{
    QImage image{int(side), int(side), QImage::Format_ARGB32_Premultiplied};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, side, side);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 160, 220));
    gradient.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 200, 90));
    const int height = int(side * 2 / 3);
    painter.fillRect(QRect(0, int(side - height) / 2, int(side), height), gradient);
    return image;
}

struct Figures {
    double median = 0;
    double worst = 0;
    qint64 drawn = 0;
};

Figures measure(ImageCollectionView &view, int frames, const QString &savePath)
{
    // A frame as the window system gets it: device pixels at the screen's ratio.
    const qreal ratio = view.viewport()->devicePixelRatioF();
    QImage target(view.viewport()->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(ratio);
    std::vector<double> ms;
    ms.reserve(size_t(frames));
    view.viewport()->render(&target);   // warm fonts and caches
    for (int i = 0; i < frames; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.viewport()->render(&target);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    if (!savePath.isEmpty())
        target.save(savePath);
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back(), view.drawnLastPaintCount()};
}

} // namespace

LMR_BENCH_COMMAND(paint, "paint",
                  "paint [--items N] [--zoom Z] [--names] [--frames F] [--viewport WxH] [--save FILE%1.png]  -- ms per full "
                  "grid paint (median, worst; 1920x1080 points unless given) at the top and in the middle of the document")
{
    qint64 count = 100000;
    qint64 zoom = 3;
    int frames = 300;
    bool names = false;
    QSize viewportPoints(1920, 1080);
    QString save;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--items" && i + 1 < args.size())
            count = args[++i].toLongLong();
        else if (args[i] == "--zoom" && i + 1 < args.size())
            zoom = args[++i].toLongLong();
        else if (args[i] == "--frames" && i + 1 < args.size())
            frames = args[++i].toInt();
        else if (args[i] == "--save" && i + 1 < args.size())
            save = args[++i];
        else if (args[i] == "--names")
            names = true;
        else if (args[i] == "--viewport" && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            if (wh.size() == 2)
                viewportPoints = QSize(wh[0].toInt(), wh[1].toInt());
        }
    }
    QTextStream out(stdout);
    const qint64 side = 96 * zoom;

    Preferences &prefs = Preferences::sharedInstance();
    prefs.setIntZoomValue(zoom);
    prefs.setShowFilenames(names);

    // Items stand for files of a camera folder; the grid needs their paths only.
    QTemporaryDir dir;
    BenchDelegate delegate;
    delegate.items.reserve(size_t(count));
    for (qint64 i = 0; i < count; ++i) {
        LMRFileSystemItem::Facts facts;
        facts.resolvedPath = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 6, 10, QLatin1Char('0')));
        facts.statOk = true;
        facts.size = 6000000;
        delegate.items.push_back(std::make_shared<LMRFileSystemImageItem>(facts));
    }

    ImageCollectionView view;
    view.setDelegate(&delegate);
    view.show();
    QElapsedTimer exposure;
    exposure.start();
    while (!(view.windowHandle() && view.windowHandle()->isExposed()) && exposure.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const QSize extra = view.size() - view.viewport()->size();
    view.resize(viewportPoints.width() + extra.width(), viewportPoints.height() + extra.height());
    view.setItemSize(side);
    view.reloadData();
    const QSize viewportSize = view.viewport()->size();

    out << "lumory-bench paint --items " << count << " --zoom " << zoom << (names ? " --names" : "")
        << " --frames " << frames << "\n";
    const qreal ratio = view.viewport()->devicePixelRatioF();
    const qint64 deviceSide = LMRPixelSize::deviceSide(side, ratio);
    out << "viewport " << viewportSize.width() << "x" << viewportSize.height() << " points at ratio " << ratio
        << " (" << qRound(viewportSize.width() * ratio) << "x" << qRound(viewportSize.height() * ratio)
        << " device pixels), " << view.numberOfVisibleColumns() << " columns, thumbnails " << deviceSide << "x"
        << deviceSide << " pixels\n";

    const std::pair<const char *, int> positions[] = {
        {"top", 0}, {"middle", view.verticalScrollBar()->maximum() / 2}};
    for (const auto &[label, y] : positions) {
        view.verticalScrollBar()->setValue(y);
        const LMRIndexRange range = view.visibleItemsRange();
        for (qint64 i = range.location; i < range.location + range.length; ++i) {
            // Drawn items learn their pixel size from the file once, so the visible ones exist.
            syntheticThumbnail(12, int(i)).save(delegate.items[size_t(i)]->path(), "JPG");
            QImage thumbnail = syntheticThumbnail(deviceSide, int(i));
            thumbnail.setDevicePixelRatio(ratio);
            LMRThumbnailRAMCache::sharedInstance().setObject(
                thumbnail, LMRThumbnailRAMCache::keyFor(delegate.items[size_t(i)]->path(), deviceSide));
        }
        const Figures f = measure(view, frames, save.isEmpty() ? save : save.arg(QLatin1String(label)));
        out << label << " (y " << y << "): " << f.drawn << " items drawn, median "
            << QString::number(f.median, 'f', 2) << " ms, worst " << QString::number(f.worst, 'f', 2)
            << " ms per frame\n";
        out.flush();
    }
    return 0;
}
