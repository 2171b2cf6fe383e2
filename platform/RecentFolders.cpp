#include "platform/RecentFolders.h"

#include <QStandardPaths>

QString LMRRecentlyUsedListPath()
{
    // Outside test mode this is $XDG_DATA_HOME (or ~/.local/share), where the desktop keeps it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QLatin1String("/recently-used.xbel");
}

#if !LUMORY_HAVE_GIO
// Without GLib's bookmark-file reader the shared list is not touched at all: writing it by hand
// risks damaging other applications' entries. Open Recent is then simply empty.
bool LMRNoteRecentFolder(const QString &)
{
    return false;
}

QStringList LMRRecentFolders(int)
{
    return {};
}
#endif
