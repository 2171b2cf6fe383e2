#pragma once
// The order of the thumbnail list: by name, creation date, modification date or size, ascending
// or descending. A plain function on the list, so that the delegate, the tests and the
// benchmarks sort through the same code.
//
// Keys are taken from each item once per sort (the name's collation key, the raw nanosecond
// times, the byte size), never inside a comparison. A list whose head is already in order (it
// was sorted before and items were appended since) has only its tail sorted and merged in, so
// the re-sorts while a large folder fills cost about one pass over the list each. The order of
// equal items is not kept. Items without the key's date or size come before every item that
// has one in ascending order, after them in descending order.

#include "model/FileSystemImageItem.h"

#include <memory>
#include <vector>

namespace LMRThumbnailSort {
enum SortBy : qint64 { ByName = 1, ByCreationDate = 2, ByModificationDate = 3, ByFileSize = 4 };
enum SortOrder : qint64 { Ascending = 1, Descending = 2 };

inline bool isKnownSortBy(qint64 sortBy) { return sortBy >= ByName && sortBy <= ByFileSize; }

// An item's sort key as two numbers compared in order: for names the first sixteen bytes of
// the collation key (ties go on to the whole key), for dates and sizes whether the item has
// one, then the value.
struct SortKey {
    quint64 high = 0;
    quint64 low = 0;
};

// What a sort leaves for the next one: how much of the list's head it put in order, the keys of
// that head, and the items at both ends of it. When the next sort finds the same items there
// (and the same key), it trusts the head and only sorts the new tail into it, by binary searches
// over the kept keys: no head item is read. Anything else that changed the head changes its
// ends, and then the whole list is looked at again. The ends are weak references, not
// addresses: an item of an emptied list must never be mistaken for a new item that happens to
// be allocated where it was.
struct SortedHead {
    qint64 sortBy = 0;
    qint64 sortOrder = 0;
    std::weak_ptr<const LMRFileSystemImageItem> first;
    std::weak_ptr<const LMRFileSystemImageItem> last;
    std::vector<SortKey> keys;   // one per head item, in list order
};

// Sorts items in place; sortOrder 1 is ascending, every other value descending. An unknown
// sortBy leaves the list as it is and answers false. head, when given, is read and updated.
bool sortItems(std::vector<LMRImageItemPtr> &items, qint64 sortBy, qint64 sortOrder, SortedHead *head = nullptr);

// Whether items are in the order sortItems gives (for tests and benchmarks).
bool isSorted(const std::vector<LMRImageItemPtr> &items, qint64 sortBy, qint64 sortOrder);
} // namespace LMRThumbnailSort
