#pragma once
// The desktop's list of recently used documents, which file dialogs, launchers and the Open
// Recent menu offer.

#include <QString>

namespace LMRRecentFiles {

// Reports a folder that became the root to the freedesktop recently-used list. A list that
// cannot be updated is left as it was (and logged); the folder is shown all the same.
// The note is written on a thread of its own, in order, a moment later; the folder is shown
// meanwhile. Call on the main thread.
void noteNewRecentDocument(const QString &folderPath);
// Returns once every note made so far is in the list (before it is read back, and at exit).
void waitForPendingNotes();

} // namespace LMRRecentFiles
