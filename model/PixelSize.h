#pragma once
// The size arithmetic the thumbnail renderer, the viewer and its scaling view share. The fit is
// computed in single precision on purpose: thumbnails and view frames must come out to the same
// fractional sizes everywhere, and the grid's placement rounds them with ceilings.

#include "platform/ImageSource.h"

#include <QSizeF>

namespace LMRPixelSize {

// The bitmap's pixel size; a vector image (or one without a raster) answers its size in points.
QSizeF pixelSize(const LMRImage &image);

// The image's size in points fitted into target.
QSizeF proportionalSizeFitting(const LMRImage &image, QSizeF target);

// originalSize scaled, up or down, to fit target with its proportions kept. Equal sizes give
// target itself; an empty original gives an empty size.
QSizeF proportionalSizeFitting(QSizeF target, QSizeF originalSize);

// The side in device pixels of a square of `points` on a screen of this device pixel ratio: the
// size thumbnails are rendered at and cached under, so that they are drawn one pixel to one.
// A ratio of 1, or one that is not a positive number, gives the side itself.
qint64 deviceSide(qint64 points, qreal ratio);

} // namespace LMRPixelSize
