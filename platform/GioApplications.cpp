// Applications for a file type through GIO's registry of desktop entries.
#if LUMORY_HAVE_GIO
// GIO before any Qt header: its structs have members named "signals", which Qt defines away.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "platform/Applications.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>

namespace {
struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

QString translated(const char *text)
{
    return QCoreApplication::translate("LMRApplications", text);
}

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QIcon iconFromFile(GFileIcon *fileIcon)
{
    char *path = g_file_get_path(g_file_icon_get_file(fileIcon));
    QIcon icon;
    if (path) {
        const QString localPath = QFile::decodeName(path);
        // QIcon of an unreadable file is not null, only empty: check that it draws.
        if (QFileInfo(localPath).isFile()) {
            icon = QIcon(localPath);
            if (icon.pixmap(QSize(16, 16)).isNull())
                icon = QIcon();
        }
    }
    g_free(path);
    return icon;
}

QIcon iconFromGIcon(GIcon *gicon)
{
    if (!gicon)
        return {};
    if (G_IS_THEMED_ICON(gicon)) {
        // The names run from the most specific to the most generic; the theme may lack some.
        const gchar *const *names = g_themed_icon_get_names(G_THEMED_ICON(gicon));
        for (; names && *names; ++names) {
            const QString name = QString::fromUtf8(*names);
            if (QIcon::hasThemeIcon(name))
                return QIcon::fromTheme(name);
        }
        return {};
    }
    if (G_IS_FILE_ICON(gicon))
        return iconFromFile(G_FILE_ICON(gicon));
    return {};
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}
} // namespace

bool LMRCanOpenWithApplications()
{
    return true;
}

QList<LMRApplicationInfo> LMRApplicationsForType(const QString &mimeType)
{
    QList<LMRApplicationInfo> applications;
    const QByteArray type = mimeType.trimmed().toUtf8();
    if (type.isEmpty())
        return applications;

    GList *all = g_app_info_get_all_for_type(type.constData());
    QSet<QString> seen;
    for (GList *entry = all; entry; entry = entry->next) {
        GAppInfo *info = G_APP_INFO(entry->data);
        if (!g_app_info_should_show(info))
            continue;
        // The identifier is how the choice comes back to LMRLaunchApplication; an entry
        // without one could be listed but never opened.
        const QString identifier = fromUtf8(g_app_info_get_id(info));
        if (identifier.isEmpty() || seen.contains(identifier))
            continue;
        seen.insert(identifier);
        applications.append({identifier, fromUtf8(g_app_info_get_display_name(info)),
                             iconFromGIcon(g_app_info_get_icon(info))});
    }
    g_list_free_full(all, g_object_unref);

    QCollator collator; // the user's locale, as the names are shown to the user
    std::stable_sort(applications.begin(), applications.end(),
                     [&collator](const LMRApplicationInfo &a, const LMRApplicationInfo &b) {
                         const int order = collator.compare(a.displayName, b.displayName);
                         return order != 0 ? order < 0 : a.identifier < b.identifier;
                     });
    return applications;
}

bool LMRLaunchApplication(const QString &identifier, const QStringList &filePaths, QString *error)
{
    if (identifier.isEmpty())
        return fail(error, translated("No application was chosen."));
    if (filePaths.isEmpty())
        return fail(error, translated("There are no files to open."));

    GObjectPtr<GDesktopAppInfo> application(g_desktop_app_info_new(identifier.toUtf8().constData()));
    if (!application)
        return fail(error, translated("The application “%1” could not be found or cannot be started.")
                               .arg(identifier));

    GList *uris = nullptr;
    for (const QString &path : filePaths) {
        const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        // GLib's own encoding of the path's bytes, so names that are not valid UTF-8 still arrive.
        gchar *uri = g_filename_to_uri(QFile::encodeName(absolute).constData(), nullptr, nullptr);
        if (!uri) {
            g_list_free_full(uris, g_free);
            return fail(error, translated("The file “%1” cannot be handed to an application.").arg(path));
        }
        uris = g_list_prepend(uris, uri);
    }
    uris = g_list_reverse(uris);

    GError *launchError = nullptr;
    const gboolean launched =
        g_app_info_launch_uris(G_APP_INFO(application.get()), uris, nullptr, &launchError);
    g_list_free_full(uris, g_free);
    if (!launched) {
        const QString name = fromUtf8(g_app_info_get_display_name(G_APP_INFO(application.get())));
        const QString reason = launchError ? QString::fromUtf8(launchError->message)
                                           : translated("The application could not be started.");
        g_clear_error(&launchError);
        return fail(error, translated("“%1” could not open the files: %2").arg(name, reason));
    }
    return true;
}

#endif // LUMORY_HAVE_GIO
