#pragma once
// A shuffled copy of a sequence, for the shuffled slideshow. The original keeps its order: the
// slideshow shuffles a snapshot of the thumbnail list, never the list itself.

#include <QRandomGenerator>

#include <cstddef>
#include <utility>
#include <vector>

// Forward Fisher–Yates. Each draw is uniform over what is left (bounded() rejects the values
// that would favour small numbers), so every order is equally likely.
template <typename T>
std::vector<T> shuffledCopy(const std::vector<T> &items, QRandomGenerator &random = *QRandomGenerator::global())
{
    std::vector<T> copy(items);
    const std::size_t n = copy.size();
    if (n < 2)
        return copy;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::size_t r = random.bounded(quint32(n - i));
        if (r != 0)
            std::swap(copy[i], copy[i + r]);
    }
    return copy;
}
