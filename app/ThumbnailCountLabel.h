#pragma once
// The text under the grid: how many items the list holds and, when some are selected, how many
// of them, with the pixel size of a single selected item. Counts use the user's locale
// (grouping separators); pixel sizes are plain integers.

#include <QString>
#include <QtGlobal>

// count: items in the list; selected: items selected; width and height: the pixel size of the
// first selected item (read only when exactly one item is selected, or the list holds one).
QString LMRThumbnailCountText(quint64 count, qint64 selected, qint64 width, qint64 height);
