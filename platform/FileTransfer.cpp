#include "platform/FileTransfer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LMRFileTransfer", text);
}

// The failed step's file and the system's reason; the first failure wins.
struct Failure {
    int error = 0;
    QString path;
};

bool fail(Failure &failure, int error, const QByteArray &path)
{
    if (failure.error == 0) {
        failure.error = error;
        failure.path = QFile::decodeName(path);
    }
    return false;
}

bool writeAll(int fd, const char *data, size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= size_t(written);
    }
    return true;
}

bool copyContents(int from, int to)
{
    // The kernel copies (or clones) without the data passing through here where it can;
    // file systems that cannot answer EXDEV, EINVAL or ENOSYS, and the loop below does it.
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, size_t(1) << 30, 0);
        if (copied == 0)
            return true;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        break;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(to, buffer, size_t(got)))
            return false;
    }
}

bool copyRegularFile(const QByteArray &source, const QByteArray &target, const struct stat &info,
                     Failure &failure, bool *created)
{
    const int from = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return fail(failure, errno, source);
    // O_EXCL: a file that appeared meanwhile under the name is left alone.
    const int to = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777);
    if (to < 0) {
        const int error = errno;
        ::close(from);
        return fail(failure, error, target);
    }
    // The exclusive open made it, so it is ours to remove even when incomplete.
    *created = true;
    bool ok = copyContents(from, to);
    if (!ok)
        fail(failure, errno, target);
    if (ok) {
        ::fchmod(to, info.st_mode & 07777);
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(to, times);
    }
    ::close(from);
    if (::close(to) != 0 && ok)
        ok = fail(failure, errno, target);
    return ok;
}

// Copies one entry; *created tells the caller whether target now exists because of this call,
// so that a failed copy removes only what it made.
bool copyEntry(const QByteArray &source, const QByteArray &target, Failure &failure, bool *created)
{
    *created = false;
    struct stat info {};
    if (::lstat(source.constData(), &info) != 0)
        return fail(failure, errno, source);

    if (S_ISLNK(info.st_mode)) {
        QByteArray link(qsizetype(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = ::readlink(source.constData(), link.data(), size_t(link.size()));
        if (length < 0)
            return fail(failure, errno, source);
        link.truncate(length);
        if (::symlink(link.constData(), target.constData()) != 0)
            return fail(failure, errno, target);
        *created = true;
        return true;
    }
    if (S_ISREG(info.st_mode))
        return copyRegularFile(source, target, info, failure, created);
    if (!S_ISDIR(info.st_mode))
        return fail(failure, ENOTSUP, source);

    // Writable by us while it fills; its own mode comes last.
    if (::mkdir(target.constData(), 0700) != 0)
        return fail(failure, errno, target);
    *created = true;
    DIR *dir = ::opendir(source.constData());
    if (!dir)
        return fail(failure, errno, source);
    bool ok = true;
    errno = 0;
    while (struct dirent *entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        bool childCreated = false;
        if (!copyEntry(source + '/' + entry->d_name, target + '/' + entry->d_name, failure, &childCreated)) {
            ok = false;
            break;
        }
        errno = 0;
    }
    if (ok && errno != 0)
        ok = fail(failure, errno, source);
    ::closedir(dir);
    if (ok) {
        ::chmod(target.constData(), info.st_mode & 07777);
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::utimensat(AT_FDCWD, target.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    return ok;
}

bool copyTree(const QByteArray &source, const QByteArray &target, Failure &failure)
{
    bool created = false;
    if (copyEntry(source, target, failure, &created))
        return true;
    if (created) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(target.toStdString()), ignored);
    }
    return false;
}

QString realPath(const QString &path)
{
    char resolved[PATH_MAX];
    if (::realpath(QFile::encodeName(path).constData(), resolved))
        return QFile::decodeName(resolved);
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

namespace LMRFileTransfer {

bool transferFile(const QString &sourcePath, const QString &destinationFolder, bool copy, QString *error)
{
    const QString source = QDir::cleanPath(QFileInfo(sourcePath).absoluteFilePath());
    const QString name = QFileInfo(source).fileName();
    const QString folder = QDir::cleanPath(QFileInfo(destinationFolder).absoluteFilePath());
    const QString target = folder + (folder.endsWith(u'/') ? QString() : QStringLiteral("/")) + name;
    const QString folderName = QFileInfo(folder).fileName().isEmpty() ? folder : QFileInfo(folder).fileName();
    const QByteArray sourceBytes = QFile::encodeName(source);
    const QByteArray targetBytes = QFile::encodeName(target);

    if (error)
        error->clear();
    auto report = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    auto reportFailure = [&](const Failure &failure) {
        const QString reason = QString::fromLocal8Bit(std::strerror(failure.error));
        const QString text = copy ? tr("“%1” couldn't be copied to “%2”: %3 (%4).")
                                  : tr("“%1” couldn't be moved to “%2”: %3 (%4).");
        return report(text.arg(name, folderName, reason, failure.path));
    };

    Failure failure;
    struct stat info {};
    if (name.isEmpty() || ::lstat(sourceBytes.constData(), &info) != 0) {
        fail(failure, name.isEmpty() ? EINVAL : errno, sourceBytes);
        return reportFailure(failure);
    }
    struct stat existing {};
    if (::lstat(targetBytes.constData(), &existing) == 0) {
        return report((copy ? tr("“%1” couldn't be copied to “%2” because an item with the same name already exists.")
                            : tr("“%1” couldn't be moved to “%2” because an item with the same name already exists."))
                          .arg(name, folderName));
    }
    if (S_ISDIR(info.st_mode)) {
        // Copying a folder into itself would never end; moving it there is impossible.
        const QString sourceReal = realPath(source);
        const QString folderReal = realPath(folder);
        if (folderReal == sourceReal || folderReal.startsWith(sourceReal + QLatin1Char('/'))) {
            return report((copy ? tr("“%1” couldn't be copied into itself.") : tr("“%1” couldn't be moved into itself."))
                              .arg(name));
        }
    }

    if (copy) {
        if (!copyTree(sourceBytes, targetBytes, failure))
            return reportFailure(failure);
        return true;
    }

    // No replace, atomically: an item that appears under the name after the check stays.
    if (::renameat2(AT_FDCWD, sourceBytes.constData(), AT_FDCWD, targetBytes.constData(), RENAME_NOREPLACE) == 0)
        return true;
    int renameError = errno;
    if (renameError == EINVAL || renameError == ENOSYS) {
        // A file system without the no-replace flag: the check above has to do.
        renameError = ::rename(sourceBytes.constData(), targetBytes.constData()) == 0 ? 0 : errno;
        if (renameError == 0)
            return true;
    }
    if (renameError != EXDEV) {
        fail(failure, renameError, sourceBytes);
        return reportFailure(failure);
    }

    // Another file system: the source goes only once its copy is complete.
    if (!copyTree(sourceBytes, targetBytes, failure))
        return reportFailure(failure);
    std::error_code removeError;
    std::filesystem::remove_all(std::filesystem::path(sourceBytes.toStdString()), removeError);
    if (removeError) {
        // The copy is complete and stays: it is the item the user wanted there.
        report(tr("“%1” was copied to “%2”, but the original couldn't be removed: %3.")
                   .arg(name, folderName, QString::fromStdString(removeError.message())));
    }
    return true;
}

} // namespace LMRFileTransfer
