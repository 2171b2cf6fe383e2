#pragma once
// The desktop of this test executable: a private home, data and config folders, and no system
// data folders, so that neither the machine's own applications nor the user's Trash or
// recently-used list take part. GIO reads these variables once, on its first use, so they are
// set by a static initialiser, before main and before anything could call into GLib.

#include "support/DataTable.h"
#include "support/TestRunner.h"

namespace lmrdesktoptest {
QString rootPath();            // everything below lives here, removed at exit
QString makeFolder(const QString &relativePath); // a new folder under the root, made fresh
QString useFreshHome(const QString &name);       // points HOME at a new empty folder
}
