#include "platform/RecentFiles.h"

namespace LMRRecentFiles {

void noteNewRecentDocument(const QString &)
{
}

} // namespace LMRRecentFiles
