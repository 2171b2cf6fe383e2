#include "model/PixelSize.h"

#include <algorithm>

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

} // namespace LMRPixelSize
