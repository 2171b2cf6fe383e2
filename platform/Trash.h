#pragma once
// Moving files and folders to the user's Trash (the freedesktop Trash, so the file manager can
// put them back). It does not empty or list the Trash, and it never deletes anything outright:
// a file that cannot be trashed stays where it is and the caller is told why. An item on
// another file system goes to the Trash at the top of that file system; where none can be made
// there (or the mount is a system one, such as a tmpfs), the item is refused.

#include <QString>

// True only when the item has left its place and sits in a Trash. On false *error (when given)
// holds a sentence for the user saying why, and the item is still where it was.
bool LMRMoveToTrash(const QString &path, QString *error);
