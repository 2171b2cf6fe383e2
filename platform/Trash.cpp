#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString translated(const char *text)
{
    return QCoreApplication::translate("LMRTrash", text);
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// lstat rather than QFileInfo::exists: a symbolic link is trashed as itself, so whether its
// target exists says nothing about whether the link left its place.
bool occupied(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

bool renameWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace flag: check first; the window is tiny and the path was
    // ours a moment ago.
    return !occupied(to) && ::rename(source.constData(), target.constData()) == 0;
}

// When Qt cannot set up a Trash it moves the item into "files" under the current directory and
// still answers true. Put the item back and tidy what Qt made there; the folders go only if
// they are empty, so nothing of anyone else's is removed.
bool putBackStrayItem(const QString &strayPath, const QString &originalPath)
{
    if (!renameWithoutReplacing(strayPath, originalPath))
        return false;
    const QFileInfo stray(strayPath);
    const QDir filesFolder = stray.dir();
    const QString trashFolder = QFileInfo(filesFolder.absolutePath()).absolutePath();
    const QString infoFile = trashFolder + QLatin1String("/info/") + stray.fileName()
        + QLatin1String(".trashinfo");
    const QFileInfo info(infoFile);
    if (info.isFile() && !info.isSymLink())
        QFile::remove(infoFile);
    ::rmdir(QFile::encodeName(filesFolder.absolutePath()).constData());
    ::rmdir(QFile::encodeName(trashFolder + QLatin1String("/info")).constData());
    return true;
}
} // namespace

bool LMRMoveToTrash(const QString &path, QString *error)
{
    if (path.isEmpty())
        return fail(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
    const QString original = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!occupied(original))
        return fail(error, QString::fromLocal8Bit(std::strerror(ENOENT)));

    // Qt 6.4 needs the home Trash's parent to exist already; without it, it falls back to the
    // current directory and reports success.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return fail(error, translated("The Trash could not be set up: the folder “%1” cannot be created.")
                               .arg(dataHome));

    QFile file(original);
    const bool moved = file.moveToTrash();
    const QString newPath = file.fileName();
    if (moved && QDir::isAbsolutePath(newPath) && occupied(newPath) && !occupied(original))
        return true;

    if (moved && QDir::isRelativePath(newPath) && !occupied(original)) {
        const QString stray = QFileInfo(newPath).absoluteFilePath();
        if (!putBackStrayItem(stray, original))
            return fail(error, translated("The Trash could not be set up, and the item was left in “%1”.")
                                   .arg(stray));
        return fail(error, translated("The Trash could not be set up."));
    }

    if (!moved && file.error() != QFileDevice::NoError)
        return fail(error, file.errorString());
    return fail(error, translated("The file could not be moved to the Trash."));
}
