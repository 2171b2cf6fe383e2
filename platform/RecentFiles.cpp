#include "platform/RecentFiles.h"

#include "platform/RecentFolders.h"

namespace LMRRecentFiles {

void noteNewRecentDocument(const QString &folderPath)
{
    LMRNoteRecentFolder(folderPath);
}

} // namespace LMRRecentFiles
