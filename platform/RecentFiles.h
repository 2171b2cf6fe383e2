#pragma once
// The desktop's list of recently used documents, which file dialogs and launchers offer.

#include <QString>

namespace LMRRecentFiles {

// Reports a folder that became the root. Not written yet: the freedesktop recently-used list
// and the Open Recent menu fed from it arrive together; until then the report goes nowhere.
void noteNewRecentDocument(const QString &folderPath);

} // namespace LMRRecentFiles
