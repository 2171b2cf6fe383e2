#include "TestUtils.h"

#include <QDir>

#include <sys/fsuid.h>
#include <unistd.h>

namespace lmrtest {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(bytes);
    return QFileInfo(path).absoluteFilePath();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString trashFolder()
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    return (data.isEmpty() ? QDir::homePath() + QLatin1String("/.local/share") : data) + QLatin1String("/Trash");
}

QImage makeTestImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(255 * x / qMax(1, width - 1), 255 * y / qMax(1, height - 1), 64);
    }
    return image;
}

QString writeImage(const QString &path, int width, int height, const char *format, int quality)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!makeTestImage(width, height).save(path, format, quality))
        return {};
    return QFileInfo(path).absoluteFilePath();
}

QColor averageColor(const QImage &image, const QRect &region)
{
    const QRect r = region.intersected(image.rect());
    if (r.isEmpty())
        return {};
    qint64 red = 0, green = 0, blue = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            red += qRed(p);
            green += qGreen(p);
            blue += qBlue(p);
        }
    const qint64 n = qint64(r.width()) * r.height();
    return QColor(int(red / n), int(green / n), int(blue / n));
}

// The file-system ids are per thread and inherited by threads created meanwhile; leaving uid 0
// also takes away the capabilities that let root past permissions, and coming back restores them.
UnprivilegedFileAccess::UnprivilegedFileAccess()
{
    if (::geteuid() != 0)
        return;
    constexpr int nobody = 65534;
    ::setfsgid(nobody);
    ::setfsuid(nobody);
    m_dropped = true;
}

UnprivilegedFileAccess::~UnprivilegedFileAccess()
{
    if (!m_dropped)
        return;
    ::setfsuid(0);
    ::setfsgid(0);
}

} // namespace lmrtest
