#include "viewer/ScalingImageView.h"

#include "model/PixelSize.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

// A downscaled copy is cached only when it is small; larger scales draw straight from the image,
// clipped to what is exposed, so zooming far in never allocates a huge bitmap.
constexpr qint64 kMaxCachedPixels = 16 * 1024 * 1024;

qint64 cacheKey(QSize size)
{
    return (qint64(size.width()) << 32) | qint64(size.height());
}

} // namespace

LMRScalingImageView::LMRScalingImageView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imageView"));
}

void LMRScalingImageView::setImage(const LMRImage &image, const QImage &scaled)
{
    m_image = image;
    m_preview = false;
    m_scaled = QPixmap();
    m_scaledCacheKey = 0;
    if (image.isValid() && !scaled.isNull()) {
        m_scaled = QPixmap::fromImage(scaled);
        m_scaled.setDevicePixelRatio(devicePixelRatioF());
        m_scaledCacheKey = cacheKey(scaled.size());
    }
    update();
}

void LMRScalingImageView::setPreview(const QImage &picture, QSizeF pixelSize)
{
    setImage(LMRImage{picture, QSizeF(picture.size()), true});
    m_preview = m_image.isValid();
    m_previewPixelSize = pixelSize;
}

QSizeF LMRScalingImageView::pixelSize() const
{
    return m_preview ? m_previewPixelSize : LMRPixelSize::pixelSize(m_image);
}

QSizeF LMRScalingImageView::clipViewSize() const
{
    return parentWidget() ? QSizeF(parentWidget()->size()) : QSizeF(0, 0);
}

float LMRScalingImageView::fittingScale() const
{
    return fittingScale(pixelSize(), clipViewSize());
}

float LMRScalingImageView::fittingScale(QSizeF pixelSize, QSizeF area)
{
    // Without an image there is nothing to fit; infinity would only poison the frame.
    if (!(pixelSize.width() > 0) || !(pixelSize.height() > 0))
        return 0.0f;
    // Each ratio is rounded to single precision before the comparison, so that the frame the
    // scale produces is the same wherever it is computed.
    const float a = float(area.height() / pixelSize.height());
    const float b = float(area.width() / pixelSize.width());
    return std::min(b, a);
}

QSizeF LMRScalingImageView::frameSizeForScale(QSizeF pixelSize, float scale)
{
    return QSizeF(pixelSize.width() * double(scale), pixelSize.height() * double(scale));
}

void LMRScalingImageView::setScale(float scale)
{
    setFrameSize(frameSizeForScale(pixelSize(), scale));
}

void LMRScalingImageView::scaleFrameBy(float scale)
{
    const QSizeF pixels = pixelSize();
    setFrameSize(QTransform::fromScale(scale, scale).mapRect(QRectF(QPointF(), pixels)).size());
}

void LMRScalingImageView::scaleToFit()
{
    scaleFrameBy(fittingScale());
}

QSize LMRScalingImageView::widgetSizeForFrame(QSizeF frame)
{
    // Widgets have whole-pixel sizes; rounding (not ceiling) keeps a fitted image that is a hair
    // over the visible area from growing a scroll bar. A side that rounds to nothing is still a
    // pixel, so that a picture of extreme proportions draws the line that fits, and no side
    // grows past what a widget can be (nor past an int).
    auto side = [](double length) {
        return length > 0 ? int(std::clamp(std::round(length), 1.0, double(QWIDGETSIZE_MAX))) : 0;
    };
    return QSize(side(frame.width()), side(frame.height()));
}

QSize LMRScalingImageView::scaledPixmapSize(QSize widgetSize, qreal devicePixelRatio)
{
    return (QSizeF(widgetSize) * devicePixelRatio).toSize();
}

QImage LMRScalingImageView::scaledImage(const QImage &image, QSize widgetSize, qreal devicePixelRatio)
{
    const QSize target = scaledPixmapSize(widgetSize, devicePixelRatio);
    const bool shrinking = target.width() < image.width() || target.height() < image.height();
    if (image.isNull() || target.isEmpty() || !shrinking || qint64(target.width()) * target.height() > kMaxCachedPixels)
        return {};
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void LMRScalingImageView::setFrameSize(QSizeF size)
{
    m_frameSize = size;
    resize(widgetSizeForFrame(size));
    update();
    emit frameSizeChanged();
}

const QPixmap &LMRScalingImageView::scaledPixmap()
{
    const qint64 key = cacheKey(scaledPixmapSize(size(), devicePixelRatioF()));
    if (key != m_scaledCacheKey || m_scaled.isNull()) {
        m_scaled = QPixmap::fromImage(scaledImage(m_image.image, size(), devicePixelRatioF()));
        m_scaled.setDevicePixelRatio(devicePixelRatioF());
        m_scaledCacheKey = key;
    }
    return m_scaled;
}

void LMRScalingImageView::paintEvent(QPaintEvent *event)
{
    if (!m_image.isValid() || width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    const QSize imageSize = m_image.image.size();
    const QSize deviceSize = scaledPixmapSize(size(), devicePixelRatioF());
    const bool shrinking = deviceSize.width() < imageSize.width() || deviceSize.height() < imageSize.height();
    const qreal ratio = devicePixelRatioF();
    const QSizeF exactDevice = m_frameSize * ratio;
    if (m_image.isBitmap && qAbs(exactDevice.width() - imageSize.width()) < 0.5
        && qAbs(exactDevice.height() - imageSize.height()) < 0.5) {
        // Actual size on any screen: each image pixel on one device pixel, even where the
        // widget's whole-point size is a device pixel larger than the image.
        m_scaled = QPixmap();
        m_scaledCacheKey = 0;
        painter.setClipRegion(event->region());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(imageSize) / ratio), m_image.image, QRectF(m_image.image.rect()));
    } else if (shrinking && qint64(deviceSize.width()) * deviceSize.height() <= kMaxCachedPixels) {
        painter.drawPixmap(rect(), scaledPixmap());
    } else {
        m_scaled = QPixmap();
        m_scaledCacheKey = 0;
        painter.setClipRegion(event->region());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, deviceSize != imageSize);
        painter.drawImage(QRectF(rect()), m_image.image, QRectF(m_image.image.rect()));
    }
    if (!m_preview)
        emit imageDrawn();
}
