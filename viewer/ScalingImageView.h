#pragma once
// LMRScalingImageView: the scroll area's document in the viewer. Its frame is always the image's
// pixel size times a scale, so that 1.0 shows one image pixel per point, and it paints the image
// filling that frame. The scale itself belongs to the viewer and only arrives through setScale.
//
// It does not scroll or centre itself: the centring clip view places it. It keeps one scaled
// copy of the image for the current frame, so that repainting while scrolling stays cheap.

#include "platform/ImageSource.h"

#include <QPixmap>
#include <QSizeF>
#include <QWidget>

class LMRScalingImageView : public QWidget
{
    Q_OBJECT
public:
    explicit LMRScalingImageView(QWidget *parent = nullptr);

    // scaled, when given, is the image already drawn down to scaledPixmapSize for the frame the
    // view is about to get (made off the main thread); it is used only if the sizes match.
    void setImage(const LMRImage &image, const QImage &scaled = QImage());
    // A stand-in until the image is decoded: picture (a thumbnail) stretched over the frame of
    // an image of pixelSize. The frame, the scale and the fit work as for that image, so the
    // image can take its place without the frame moving.
    void setPreview(const QImage &picture, QSizeF pixelSize);
    bool showsPreview() const { return m_preview; }
    const LMRImage &image() const { return m_image; }
    bool hasImage() const { return m_image.isValid(); }
    // The bitmap's pixel size, or a vector image's size in points; a preview's stands for it.
    QSizeF pixelSize() const;

    // The largest scale at which the whole image fits the given area (the clip view's size).
    float fittingScale() const;
    static float fittingScale(QSizeF pixelSize, QSizeF area);
    void setScale(float scale);
    void scaleFrameBy(float scale);
    void scaleToFit();

    // The frame in fractional points; the widget's own size is this rounded to whole pixels.
    QSizeF frameSize() const { return m_frameSize; }
    void setFrameSize(QSizeF size);

    // The arithmetic of the frame and of the cached drawing, for callers that prepare a drawing
    // ahead of time: the frame for a scale, the whole-pixel widget size for a frame, the device
    // size of the drawing, and the drawing itself (null when the view would draw directly).
    static QSizeF frameSizeForScale(QSizeF pixelSize, float scale);
    static QSize widgetSizeForFrame(QSizeF frame);
    static QSize scaledPixmapSize(QSize widgetSize, qreal devicePixelRatio);
    static QImage scaledImage(const QImage &image, QSize widgetSize, qreal devicePixelRatio);

signals:
    // Emitted after the frame changed, so the clip view can place the view again.
    void frameSizeChanged();
    // Emitted after a paint that drew the image, not a preview (used to measure stepping).
    void imageDrawn();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF clipViewSize() const;
    const QPixmap &scaledPixmap();

    LMRImage m_image;
    bool m_preview = false;
    QSizeF m_previewPixelSize;
    QSizeF m_frameSize{0, 0};
    QPixmap m_scaled;
    qint64 m_scaledCacheKey = 0;
};
