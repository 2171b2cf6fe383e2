#pragma once
// Moving or copying one dropped file or folder into a folder, the way a file manager does it
// for a drop: the item keeps its name, and an item already standing under that name is an
// error, never replaced and never renamed around. Plain functions on paths, usable from any
// thread; the caller decides what to tell the user.

#include <QString>

namespace LMRFileTransfer {

// Moves (copy false) or copies (copy true, folders with everything in them) sourcePath into
// destinationFolder, and answers whether the item now stands there. A move across file systems
// copies first and removes the source only after the whole copy has succeeded. On failure
// nothing that existed before is changed, a partial copy is removed again, and *error (when
// given) holds a sentence for the user. A move whose copy is complete but whose original could
// not be removed answers true (the item is there, and in its old place too) with *error saying
// so; *error is empty after a complete success.
bool transferFile(const QString &sourcePath, const QString &destinationFolder, bool copy,
                  QString *error = nullptr);

} // namespace LMRFileTransfer
