#pragma once
// Showing files in the desktop's file manager with each one selected in its folder window.
// The freedesktop FileManager1 service is asked over the session bus without waiting for it;
// without a bus, or when nobody answers in time, the folder that holds the first item is
// opened instead (the selection is lost then, the folder is not).

#include <QStringList>

#include <functional>

namespace LMRFileManagerReveal {

// Absolute paths of existing files or folders. Returns at once.
void showItems(const QStringList &paths);

// Tests see the request here instead of a file manager opening. Returns the previous handler.
using Handler = std::function<void(const QStringList &paths)>;
Handler setHandlerForTesting(Handler handler);

} // namespace LMRFileManagerReveal
