#include "browse/ThumbnailSort.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace LMRThumbnailSort {
namespace {

struct Entry {
    SortKey key;
    const LMRFileSystemItem *item;
    quint32 index;   // position before the sort
};

quint64 keyWord(const QByteArray &key, qsizetype offset)
{
    unsigned char bytes[8] = {};
    if (key.size() > offset)
        std::memcpy(bytes, key.constData() + offset, size_t(std::min<qsizetype>(key.size() - offset, 8)));
    quint64 word = 0;
    for (unsigned char byte : bytes)
        word = (word << 8) | byte;
    return word;
}

// Signed values in an unsigned word, in the same order.
quint64 orderedWord(qint64 value)
{
    return quint64(value) ^ (quint64(1) << 63);
}

SortKey keyFor(const LMRFileSystemItem &item, qint64 sortBy)
{
    std::optional<qint64> value;
    switch (sortBy) {
    case ByName: {
        const QByteArray &name = item.nameSortKey();
        return {keyWord(name, 0), keyWord(name, 8)};
    }
    case ByCreationDate:
        value = item.creationNs();
        break;
    case ByModificationDate:
        value = item.modificationNs();
        break;
    case ByFileSize:
        if (const auto size = item.size())
            value = qint64(std::min<quint64>(*size, quint64(std::numeric_limits<qint64>::max())));
        break;
    }
    return value ? SortKey{1, orderedWord(*value)} : SortKey{0, 0};
}

// Ascending order of two keys; names that agree in their first sixteen key bytes go on to the
// whole key, which is the only time an item is read.
struct AscendingLess {
    bool byName;
    bool operator()(const SortKey &a, const LMRFileSystemItem &itemA, const SortKey &b,
                    const LMRFileSystemItem &itemB) const
    {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return byName && LMRFileSystemItem::compareNames(itemA, itemB) < 0;
    }
};

struct Less {
    AscendingLess ascending;
    bool descending;
    bool operator()(const SortKey &a, const LMRFileSystemItem &itemA, const SortKey &b,
                    const LMRFileSystemItem &itemB) const
    {
        return descending ? ascending(b, itemB, a, itemA) : ascending(a, itemA, b, itemB);
    }
    bool operator()(const Entry &a, const Entry &b) const { return (*this)(a.key, *a.item, b.key, *b.item); }
};

Less lessFor(qint64 sortBy, qint64 sortOrder)
{
    return Less{AscendingLess{sortBy == ByName}, sortOrder != Ascending};
}

std::vector<Entry> entriesFor(const std::vector<LMRImageItemPtr> &items, size_t from, qint64 sortBy)
{
    std::vector<Entry> entries;
    entries.reserve(items.size() - from);
    for (size_t i = from; i < items.size(); ++i)
        entries.push_back({keyFor(*items[i], sortBy), items[i].get(), quint32(i)});
    return entries;
}

// The tail [from, end) sorted and merged into the head [0, from), whose keys are known. The
// merge runs from the back in place, comparing the kept keys: the head's items are moved, and
// read only when two names agree in their first sixteen key bytes.
void mergeTailIntoSortedHead(std::vector<LMRImageItemPtr> &items, std::vector<SortKey> &keys, size_t from,
                             qint64 sortBy, const Less &less)
{
    std::vector<Entry> tail = entriesFor(items, from, sortBy);
    std::sort(tail.begin(), tail.end(), less);
    std::vector<LMRImageItemPtr> tailItems;
    tailItems.reserve(tail.size());
    for (const Entry &entry : tail)
        tailItems.push_back(std::move(items[entry.index]));

    keys.resize(items.size());
    qint64 head = qint64(from) - 1;
    qint64 next = qint64(tail.size()) - 1;
    for (qint64 write = qint64(items.size()) - 1; next >= 0; --write) {
        const Entry &entry = tail[size_t(next)];
        if (head >= 0 && less(entry.key, *entry.item, keys[size_t(head)], *items[size_t(head)])) {
            items[size_t(write)] = std::move(items[size_t(head)]);
            keys[size_t(write)] = keys[size_t(head)];
            --head;
        } else {
            items[size_t(write)] = std::move(tailItems[size_t(next)]);
            keys[size_t(write)] = entry.key;
            --next;
        }
    }
}

// The whole list sorted; a head already in order is kept and the rest merged into it.
std::vector<SortKey> sortAll(std::vector<LMRImageItemPtr> &items, qint64 sortBy, const Less &less)
{
    std::vector<Entry> entries = entriesFor(items, 0, sortBy);
    const auto tail = std::is_sorted_until(entries.begin(), entries.end(), less);
    if (tail != entries.end()) {
        std::sort(tail, entries.end(), less);
        std::inplace_merge(entries.begin(), tail, entries.end(), less);
        std::vector<LMRImageItemPtr> sorted;
        sorted.reserve(items.size());
        for (const Entry &entry : entries)
            sorted.push_back(std::move(items[entry.index]));
        items.swap(sorted);
    }
    std::vector<SortKey> keys;
    keys.reserve(entries.size());
    for (const Entry &entry : entries)
        keys.push_back(entry.key);
    return keys;
}

bool headStillSorted(const std::vector<LMRImageItemPtr> &items, qint64 sortBy, qint64 sortOrder,
                     const SortedHead &head)
{
    const size_t count = head.keys.size();
    return count > 0 && count <= items.size() && head.sortBy == sortBy && head.sortOrder == sortOrder
        && head.first.lock() == items.front() && head.last.lock() == items[count - 1];
}

} // namespace

bool sortItems(std::vector<LMRImageItemPtr> &items, qint64 sortBy, qint64 sortOrder, SortedHead *head)
{
    if (!isKnownSortBy(sortBy))
        return false;
    const Less less = lessFor(sortBy, sortOrder);
    std::vector<SortKey> keys;
    if (head && headStillSorted(items, sortBy, sortOrder, *head)) {
        keys = std::move(head->keys);
        if (keys.size() < items.size())
            mergeTailIntoSortedHead(items, keys, keys.size(), sortBy, less);
    } else {
        keys = sortAll(items, sortBy, less);
    }
    if (head) {
        head->sortBy = sortBy;
        head->sortOrder = sortOrder;
        head->first = items.empty() ? nullptr : items.front();
        head->last = items.empty() ? nullptr : items.back();
        head->keys = std::move(keys);
    }
    return true;
}

bool isSorted(const std::vector<LMRImageItemPtr> &items, qint64 sortBy, qint64 sortOrder)
{
    if (!isKnownSortBy(sortBy))
        return false;
    const std::vector<Entry> entries = entriesFor(items, 0, sortBy);
    return std::is_sorted(entries.begin(), entries.end(), lessFor(sortBy, sortOrder));
}

} // namespace LMRThumbnailSort
