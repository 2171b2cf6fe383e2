// The paint pass of ImageCollectionView: background, visible items, rubber band, drop ring.

#include "grid/ImageCollectionView.h"

#include "grid/ImageCollectionViewDelegate.h"
#include "prefs/Preferences.h"
#include "support/DebugWindowController.h"
#include "support/Log.h"
#include "support/SystemAppearance.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>
#include <QScrollBar>

#include <cmath>
#include <exception>

namespace {

// The one place the grid looks up a thumbnail: the shared RAM cache, never a render.
QImage cachedThumbnail(LMRFileSystemImageItem &item, qint64 size, qreal ratio)
{
    return item.cachedThumbnailWithSize(size, ratio);
}

QFont systemFontOfSize(double points, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // A point here is a device-independent pixel, as everywhere in the layout.
    font.setPixelSize(int(points));
    font.setBold(bold);
    return font;
}

} // namespace

// Everything a pass needs that does not change from one item to the next, built once.
struct ImageCollectionView::PaintContext {
    QPainter &painter;
    QColor backgroundColor;
    QColor labelColor;
    QColor highlightColor;
    QColor placeholderColor;
    qint64 thumbnailSide;
    qreal pixelRatio;
    bool includeVideos;
    QStringList videoUTIs;
    QFont labelFont;
    QFontMetricsF labelMetrics;
    QFont badgeFont;
    QRectF badgeBounds;
};

void ImageCollectionView::paintEvent(QPaintEvent *event)
{
    // A window moved to a screen of another ratio is painted again at once: the thumbnails it
    // shows are then drawn from what the cache has, and the owner queues them at the new size.
    const qreal ratio = viewport()->devicePixelRatioF();
    if (m_thumbnailPixelRatio.exchange(ratio, std::memory_order_relaxed) != ratio)
        QMetaObject::invokeMethod(this, &ImageCollectionView::thumbnailPixelRatioDidChange, Qt::QueuedConnection);

    QPainter painter(viewport());
    const QRectF visible = documentVisibleRect();
    const QRegion &region = event->region();

    const Preferences &prefs = Preferences::sharedInstance();
    const QColor background = prefs.backgroundColor();
    for (const QRect &rect : region)
        painter.fillRect(rect, background);

    const QFont labelFont = systemFontOfSize(11, false);
    const QFont badgeFont = systemFontOfSize(11, true);
    const QFontMetricsF badgeMetrics(badgeFont);
    const QString badgeText = QStringLiteral("V");
    const QSizeF badgeSize(badgeMetrics.horizontalAdvance(badgeText), badgeMetrics.height());
    const bool dark = LMRSystemAppearance::isDarkMode();
    PaintContext context{
        painter,
        background,
        prefs.labelColor(),
        showsFocusedSelection() ? prefs.selectionColor() : QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f),
        dark ? QColor::fromRgbF(0.25f, 0.25f, 0.25f, 1.0f) : QColor::fromRgbF(0.9f, 0.9f, 0.9f, 1.0f),
        96 * prefs.intZoomValue(),
        ratio,
        prefs.includeVideos(),
        Preferences::supportedVideoUTIs(),
        labelFont,
        QFontMetricsF(labelFont),
        badgeFont,
        badgeMetrics.boundingRect(QRectF(QPointF(0, 0), badgeSize), Qt::AlignLeft | Qt::AlignTop, badgeText),
    };

    painter.translate(0, -visible.y());
    const QRectF dirty = QRectF(region.boundingRect()).translated(0, visible.y());

    const float ch = cellHeight();
    const quint64 rows = quint64(std::llround(m_frameHeight / double(ch)));
    const quint64 columns = quint64(numberOfVisibleColumns());
    // Rows wholly outside the dirty area cannot pass the tests below; the margin of one row
    // covers cells whose single-precision origin rounds across a row boundary.
    const double firstCandidate = std::floor(dirty.top() / double(ch)) - 1;
    const quint64 firstRow = firstCandidate > 0 ? quint64(firstCandidate) : 0;
    const quint64 endRow = std::min(rows, quint64(std::max(0.0, std::ceil(dirty.bottom() / double(ch)) + 1)));

    qint64 drawn = 0;
    for (quint64 row = firstRow; row < endRow; ++row) {
        for (quint64 column = 0; column < columns; ++column) {
            const QRectF cell = cellRectForColumn(column, row);
            if (!region.intersects(cell.translated(0, -visible.y()).toAlignedRect()) || !cell.intersects(dirty))
                continue;
            const quint64 index = row * columns + column;
            if (index >= m_itemCount)
                continue;
            drawItem(qint64(index), cell, context);
            ++drawn;
        }
    }

    drawFocusIndicator(painter, dirty);
    drawMarquee(painter);

    if (m_drawFocusRing) {
        const QRectF ring = LMRInsetRect(visible, 2, 2);
        QColor color = palette().color(QPalette::Highlight);
        color.setAlphaF(0.75f);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(color, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring.adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    m_drawnLastPaintCount = drawn;
    if (DebugWindowController *debug = DebugWindowController::sharedInstance())
        debug->setDrawnLastDrawRectCount(drawn);
}

void ImageCollectionView::drawItem(qint64 index, const QRectF &cellRect, PaintContext &context)
{
    QPainter &painter = context.painter;

    if (m_selection.contains(index)) {
        QPainterPath path;
        path.addRoundedRect(selectionRectForCellRect(cellRect), 8, 8);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(path, context.highlightColor);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    const QRectF itemRect = itemRectForCellRect(cellRect);
    const QRectF imageRect = imageRectForItemRect(itemRect);
    const LMRImageItemPtr item =
        m_delegate ? m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, index) : nullptr;
    // A delegate that has no item for an index it counted gets a placeholder, not a crash.
    const QImage thumbnail = item ? cachedThumbnail(*item, context.thumbnailSide, context.pixelRatio) : QImage();

    if (thumbnail.isNull()) {
        painter.fillRect(imageRect, context.placeholderColor);
    } else {
        try {
            if (thumbnail.format() != QImage::Format_Invalid) {
                // A thumbnail made for this screen's ratio covers the square pixel for pixel;
                // one of another size (a screen change, the unscaled fallback) is scaled.
                if (thumbnail.deviceIndependentSize() == imageRect.size()
                    && thumbnail.devicePixelRatio() == context.pixelRatio) {
                    painter.drawImage(imageRect.topLeft(), thumbnail);
                } else {
                    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                    painter.drawImage(imageRect, thumbnail);
                    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
                }
            } else {
                LMRLog(QStringLiteral("NSImage for %1 is not valid").arg(item->URL().toString(QUrl::FullyEncoded)));
            }
        } catch (const std::exception &e) {
            LMRLog(QStringLiteral("ImageCollectionView drawItem:inRect: Caught exception while trying to draw %1 "
                                  "- description: %2")
                       .arg(item->URL().toString(QUrl::FullyEncoded), QString::fromLocal8Bit(e.what())));
        } catch (...) {
            LMRLog(QStringLiteral("ImageCollectionView drawItem:inRect: Caught exception while trying to draw %1 "
                                  "- description: %2")
                       .arg(item->URL().toString(QUrl::FullyEncoded), QStringLiteral("unknown exception")));
        }
    }
    if (!item)
        return;

    if (context.includeVideos && context.videoUTIs.contains(item->UTI())) {
        const QRectF &b = context.badgeBounds;
        const QRectF outer(imageRect.x() + b.x(), b.y() + (imageRect.y() + imageRect.height() - b.height() + 1),
                           b.width() + 8, b.height() + 2);
        const QRectF inner(outer.x() + 2, outer.y() + 2, outer.width() - 4, outer.height() - 4);
        painter.fillRect(outer, context.labelColor);
        painter.fillRect(inner, context.backgroundColor);
        painter.setFont(context.badgeFont);
        painter.setPen(context.labelColor);
        painter.drawText(inner.translated(2, -1), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("V"));
    }

    if (m_cachedShowFilenames) {
        const QRectF textRect = textRectForItemRect(itemRect);
        if (textRect.width() != m_labelCacheWidth || context.labelFont != m_labelCacheFont
            || m_labelCache.size() > 20000) {
            m_labelCache.clear();
            m_labelCacheWidth = textRect.width();
            m_labelCacheFont = context.labelFont;
        }
        auto label = m_labelCache.find(item->storedHash());
        if (label == m_labelCache.end()) {
            QStaticText text(context.labelMetrics.elidedText(item->name(), Qt::ElideMiddle, textRect.width()));
            text.setTextFormat(Qt::PlainText);
            text.setPerformanceHint(QStaticText::AggressiveCaching);
            text.prepare(QTransform(), context.labelFont);
            label = m_labelCache.insert(item->storedHash(), text);
        }
        painter.setFont(context.labelFont);
        painter.setPen(context.labelColor);
        // One line, centred in the label row, from its top.
        const double x = textRect.x() + (textRect.width() - label->size().width()) * 0.5;
        painter.drawStaticText(QPointF(x, textRect.y()), *label);
    }
}

void ImageCollectionView::drawMarquee(QPainter &painter)
{
    if (!m_marqueeActive)
        return;
    const QColor lightGray = QColor::fromRgbF(2.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f);
    QColor fill = lightGray;
    fill.setAlphaF(0.33f);
    const QRectF band = LMRInsetRect(m_marqueeRect, 0.5, 0.5);
    painter.fillRect(band, fill);
    painter.setPen(QPen(lightGray, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(band);
}

void ImageCollectionView::drawFocusIndicator(QPainter &painter, const QRectF &dirty)
{
    // Where the keyboard acts, while it acts here: a ring around the current item's cell, clear
    // of the selection's fill so that it shows on selected and unselected items alike.
    const qint64 current = currentItemIndex();
    if (!showsFocusedSelection() || current == LMRNotFound)
        return;
    const QRectF cell = cellRectForItemIndex(quint64(current));
    if (!cell.intersects(dirty))
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(LMRInsetRect(cell, 1.5, 1.5), 10, 10);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

bool ImageCollectionView::showsFocusedSelection() const
{
    return hasFocus() && window()->isActiveWindow();
}
