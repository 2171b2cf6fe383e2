#pragma once
// The MIME type of a file system entry as items record it: a folder is "inode/directory"
// whatever its name, other non-regular entries get their inode/ type (so a FIFO named x.jpg is
// never opened as an image), a file is typed by its name, and by its content only when the
// name says nothing. It does not follow links: callers pass what they already resolved.

#include <QString>

namespace LMRMimeTypeLookup {
// fileType: the S_IFMT bits of the entry's mode; 0 when unknown (then no content is read).
QString mimeTypeForEntry(const QString &path, const QString &name, unsigned fileType,
                         bool isDirectory);
// By name only. Qt serialises its glob matching and takes about 2 us a call, so answers are
// kept per suffix for names that no multi-part or whole-name pattern could match.
QString mimeTypeForName(const QString &name);
}
