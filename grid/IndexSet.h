#pragma once
// LMRIndexSet: a sorted set of item indices, the grid's selection. Backed by a sorted vector:
// selections are built in ascending order (select-all, ranges, rubber band), so insertion is
// almost always an append, and iteration in index order is what every reader wants.

#include <QtGlobal>

#include <algorithm>
#include <initializer_list>
#include <vector>

class LMRIndexSet
{
public:
    LMRIndexSet() = default;
    LMRIndexSet(std::initializer_list<qint64> indices)
    {
        for (qint64 index : indices)
            insert(index);
    }

    bool contains(qint64 index) const
    {
        return std::binary_search(m_indices.begin(), m_indices.end(), index);
    }
    // Answers whether the index was new.
    bool insert(qint64 index)
    {
        if (m_indices.empty() || m_indices.back() < index) {
            m_indices.push_back(index);
            return true;
        }
        const auto it = std::lower_bound(m_indices.begin(), m_indices.end(), index);
        if (it != m_indices.end() && *it == index)
            return false;
        m_indices.insert(it, index);
        return true;
    }
    // Adds first, first + 1, ..., first + count - 1.
    void insertRange(qint64 first, qint64 count)
    {
        if (count <= 0)
            return;
        if (m_indices.empty() || m_indices.back() < first) {
            m_indices.reserve(m_indices.size() + size_t(count));
            for (qint64 i = 0; i < count; ++i)
                m_indices.push_back(first + i);
            return;
        }
        for (qint64 i = 0; i < count; ++i)
            insert(first + i);
    }
    // Answers whether the index was present.
    bool remove(qint64 index)
    {
        const auto it = std::lower_bound(m_indices.begin(), m_indices.end(), index);
        if (it == m_indices.end() || *it != index)
            return false;
        m_indices.erase(it);
        return true;
    }
    void clear() { m_indices.clear(); }

    qint64 count() const { return qint64(m_indices.size()); }
    bool isEmpty() const { return m_indices.empty(); }
    qint64 firstIndex() const { return m_indices.empty() ? -1 : m_indices.front(); }
    qint64 lastIndex() const { return m_indices.empty() ? -1 : m_indices.back(); }

    std::vector<qint64>::const_iterator begin() const { return m_indices.begin(); }
    std::vector<qint64>::const_iterator end() const { return m_indices.end(); }
    const std::vector<qint64> &indices() const { return m_indices; }

    bool operator==(const LMRIndexSet &other) const = default;

private:
    std::vector<qint64> m_indices;   // ascending, no duplicates
};
