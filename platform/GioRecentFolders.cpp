// The recently-used list through GLib's bookmark-file reader and writer, the same code the
// desktop's file choosers use, so entries keep the shape they expect.
#if LUMORY_HAVE_GIO
// GLib before any Qt header: its structs have members named "signals", which Qt defines away.
#include <glib.h>

#include "platform/RecentFolders.h"
#include "support/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

namespace {
const char kApplicationName[] = "Lumory";
const char kApplicationExec[] = "lumory %u";
const char kFolderType[] = "inode/directory";

struct BookmarkFileFree {
    void operator()(GBookmarkFile *list) const { g_bookmark_file_free(list); }
};
using BookmarkFilePtr = std::unique_ptr<GBookmarkFile, BookmarkFileFree>;

// Null when a list exists but cannot be read: it may be another application's half-written or
// newer-format file, and writing ours over it would throw away every entry in it.
BookmarkFilePtr loadList(const QString &path, QString *why)
{
    BookmarkFilePtr list(g_bookmark_file_new());
    const QFileInfo file(path);
    if (!file.exists() || (file.isFile() && file.size() == 0))
        return list;
    GError *error = nullptr;
    if (g_bookmark_file_load_from_file(list.get(), QFile::encodeName(path).constData(), &error))
        return list;
    const bool missing = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
    if (!missing && why)
        *why = QString::fromUtf8(error->message);
    g_clear_error(&error);
    if (missing)
        return BookmarkFilePtr(g_bookmark_file_new());
    return nullptr;
}

qint64 microseconds(GDateTime *time)
{
    if (!time)
        return 0;
    return qint64(g_date_time_to_unix(time)) * 1000000 + g_date_time_get_microsecond(time);
}

QString folderUri(const QString &folderPath)
{
    gchar *uri = g_filename_to_uri(QFile::encodeName(folderPath).constData(), nullptr, nullptr);
    const QString result = uri ? QString::fromUtf8(uri) : QString();
    g_free(uri);
    return result;
}
} // namespace

bool LMRNoteRecentFolder(const QString &folderPath)
{
    const QFileInfo folder(folderPath);
    if (folderPath.isEmpty() || !folder.isDir())
        return false;
    const QString path = QDir::cleanPath(folder.absoluteFilePath());
    const QByteArray uri = folderUri(path).toUtf8();
    if (uri.isEmpty())
        return false;

    // Another application may rewrite the list between our read and our write, losing one of the
    // two changes; the desktop's own writers share that race, and each write replaces the file
    // whole, so a reader never sees half of it.
    const QString listPath = LMRRecentlyUsedListPath();
    QString why;
    BookmarkFilePtr list = loadList(listPath, &why);
    if (!list) {
        LMRLog(QStringLiteral("Recent folders: %1 left as it is, it cannot be read: %2").arg(listPath, why));
        return false;
    }

    g_bookmark_file_set_mime_type(list.get(), uri.constData(), kFolderType);
    g_bookmark_file_add_application(list.get(), uri.constData(), kApplicationName, kApplicationExec);
    GDateTime *now = g_date_time_new_now_utc();
    g_bookmark_file_set_visited_date_time(list.get(), uri.constData(), now);
    g_bookmark_file_set_modified_date_time(list.get(), uri.constData(), now);
    g_date_time_unref(now);

    QDir().mkpath(QFileInfo(listPath).absolutePath());
    GError *error = nullptr;
    if (!g_bookmark_file_to_file(list.get(), QFile::encodeName(listPath).constData(), &error)) {
        LMRLog(QStringLiteral("Recent folders: %1 could not be written: %2")
                   .arg(listPath, QString::fromUtf8(error->message)));
        g_clear_error(&error);
        return false;
    }
    return true;
}

QStringList LMRRecentFolders(int max)
{
    if (max <= 0)
        return {};
    BookmarkFilePtr list = loadList(LMRRecentlyUsedListPath(), nullptr);
    if (!list)
        return {};

    struct Entry {
        QString path;
        qint64 noted;
    };
    std::vector<Entry> entries;
    gsize count = 0;
    gchar **uris = g_bookmark_file_get_uris(list.get(), &count);
    for (gsize i = 0; i < count; ++i) {
        if (!g_bookmark_file_has_application(list.get(), uris[i], kApplicationName, nullptr))
            continue;
        gchar *fileName = g_filename_from_uri(uris[i], nullptr, nullptr);
        if (!fileName)
            continue;
        const QString path = QDir::cleanPath(QFile::decodeName(fileName));
        g_free(fileName);
        if (!QFileInfo(path).isDir())
            continue;
        // Our own stamp, not the item's visit date: another application opening the same folder
        // should not move it up Lumory's menu.
        GDateTime *stamp = nullptr;
        g_bookmark_file_get_application_info(list.get(), uris[i], kApplicationName, nullptr, nullptr,
                                             &stamp, nullptr);
        entries.push_back({path, microseconds(stamp)});
    }
    g_strfreev(uris);

    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.noted > b.noted; });
    QStringList folders;
    for (const Entry &entry : entries) {
        // "file:///a" and "file:///a/" are one folder written two ways.
        if (folders.contains(entry.path))
            continue;
        folders.append(entry.path);
        if (folders.size() == max)
            break;
    }
    return folders;
}

#endif // LUMORY_HAVE_GIO
