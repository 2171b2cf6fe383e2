// Moving to the Trash through GIO: it writes the info file as file managers read it back (the
// original path escaped as a URL path, the deletion time in local time), uses the Trash at the
// top of another file system where the item lives there, and tells GIO's file monitors.
#if LUMORY_HAVE_GIO
// GIO before any Qt header: its structs have members named "signals", which Qt defines away.
#include <gio/gio.h>

#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {
bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// lstat rather than QFileInfo::exists: a symbolic link is trashed as itself, so whether its
// target exists says nothing about whether the link is there.
bool occupied(const QByteArray &path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0;
}
} // namespace

bool LMRMoveToTrash(const QString &path, QString *error)
{
    if (path.isEmpty())
        return fail(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
    const QByteArray original = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (!occupied(original))
        return fail(error, QString::fromLocal8Bit(std::strerror(ENOENT)));

    // GIO writes the info file first and renames the item last; when the rename fails it takes
    // the info file back, so a failure leaves the item where it was and nothing in the Trash.
    GFile *file = g_file_new_for_path(original.constData());
    GError *trashError = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &trashError);
    g_object_unref(file);
    if (trashed)
        return true;
    const QString reason = trashError && trashError->message
        ? QString::fromUtf8(trashError->message)
        : QCoreApplication::translate("LMRTrash", "The file could not be moved to the Trash.");
    g_clear_error(&trashError);
    return fail(error, reason);
}

#endif // LUMORY_HAVE_GIO
