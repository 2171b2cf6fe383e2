#pragma once
// The desktop's list of recently used documents, which file dialogs, launchers and the Open
// Recent menu offer.

#include <QString>

namespace LMRRecentFiles {

// Reports a folder that became the root to the freedesktop recently-used list. A list that
// cannot be updated is left as it was (and logged); the folder is shown all the same.
void noteNewRecentDocument(const QString &folderPath);

} // namespace LMRRecentFiles
