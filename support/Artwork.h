#pragma once
// The program's own artwork, looked up by name in the Qt resource system (":/images/<name>.svg").
// Artwork that follows the desktop's appearance exists twice, under its base name and with
// "-dark" appended; LMRAppearanceImageName picks the variant for the appearance of this moment.
// It does not cache: QIcon keeps its own rendered pixmaps, and the artwork is small.

#include <QIcon>
#include <QPixmap>
#include <QString>

// A null icon when no artwork of that name exists.
QIcon LMRImageNamed(const QString &name);
// The artwork drawn at size (device-independent pixels) for the given pixel ratio; null when
// the name is unknown.
QPixmap LMRPixmapNamed(const QString &name, const QSize &size, qreal devicePixelRatio = 1.0);
bool LMRHasImageNamed(const QString &name);
// base, or base + "-dark" while the desktop is dark.
QString LMRAppearanceImageName(const QString &base);
