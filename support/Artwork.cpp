#include "support/Artwork.h"

#include "support/SystemAppearance.h"

#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QSvgRenderer>

#include <mutex>

// The resources live in the static program library, whose registration is not pulled in by the
// linker unless something refers to it.
static void initArtworkResources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(lumory); });
}

static QString artworkPath(const QString &name)
{
    return QStringLiteral(":/images/%1.svg").arg(name);
}

bool LMRHasImageNamed(const QString &name)
{
    initArtworkResources();
    return !name.isEmpty() && QFile::exists(artworkPath(name));
}

QIcon LMRImageNamed(const QString &name)
{
    if (!LMRHasImageNamed(name))
        return QIcon();
    return QIcon(artworkPath(name));
}

QPixmap LMRPixmapNamed(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    if (!LMRHasImageNamed(name) || size.isEmpty())
        return QPixmap();
    QSvgRenderer renderer(artworkPath(name));
    if (!renderer.isValid())
        return QPixmap();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QString LMRAppearanceImageName(const QString &base)
{
    return LMRSystemAppearance::isDarkMode() ? base + QStringLiteral("-dark") : base;
}
