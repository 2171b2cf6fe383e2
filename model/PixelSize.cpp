#include "model/PixelSize.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace LMRPixelSize {

QSizeF pixelSize(const LMRImage &image)
{
    if (image.isBitmap && image.image.width() > 0 && image.image.height() > 0)
        return QSizeF(image.image.size());
    return image.size;
}

QSizeF proportionalSizeFitting(const LMRImage &image, QSizeF target)
{
    return proportionalSizeFitting(target, image.size);
}

QSizeF proportionalSizeFitting(QSizeF target, QSizeF originalSize)
{
    if (target == originalSize)
        return target;
    // A zero side would make the ratio infinite and the result NaN, which QPainter and the
    // layout code downstream do not survive.
    if (!(originalSize.width() > 0) || !(originalSize.height() > 0))
        return QSizeF(0, 0);
    const float ow = float(originalSize.width());
    const float oh = float(originalSize.height());
    const float r = std::min(float(target.width()) / ow, float(target.height()) / oh);
    return QSizeF(ow * r, oh * r);
}

qint64 deviceSide(qint64 points, qreal ratio)
{
    if (!(ratio > 0) || ratio == 1.0 || !qIsFinite(ratio))
        return points;
    // Rounded, not ceiled: the ratios screens use (1.25, 1.5, 1.75, 2, ...) times a multiple of
    // 96 are whole numbers, and a hair of floating-point error must not add a pixel.
    return qint64(std::llround(double(points) * ratio));
}

} // namespace LMRPixelSize
