#pragma once
// The folders Lumory opened recently, kept in the desktop's shared recently-used list so that
// file choosers and other desktop tools see them too. Only entries Lumory made are read back;
// other applications' entries are left exactly as they are.
//
// The list is a file shared with every other desktop application: it is read and rewritten
// whole on each note, never kept open. An unreadable or damaged list is left untouched.

#include <QString>
#include <QStringList>

// Records the folder as opened now. False (and a log line) when the list could not be updated,
// for instance because the existing list cannot be read; the list is then not rewritten.
bool LMRNoteRecentFolder(const QString &folderPath);

// Up to max folders that Lumory noted and that still exist, most recently noted first.
QStringList LMRRecentFolders(int max);

// Where the list lives: recently-used.xbel in the user's data folder (the test location under
// QStandardPaths test mode, so test runs leave the user's own list alone).
QString LMRRecentlyUsedListPath();
