#pragma once
// Sort keys for file names in the order a file manager shows them: case ignored (it only
// separates names that differ in nothing else), runs of digits by their value, letters by the
// user's locale. Keys are plain bytes compared with memcmp, so a list of 100,000 names sorts
// without a collator call per comparison. It does not compare paths, only single names.

#include <QByteArray>
#include <QString>

namespace LMRNameCollation {
// Safe on any thread: each thread keeps its own collator.
QByteArray sortKey(const QString &name);
}
