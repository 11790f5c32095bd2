// SPDX-License-Identifier: MIT
// List helpers of the pie: sorting by target positions, inserting at positions, shifting positions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vantro::pieEx {

/// Reorders `list` so that object i, which belongs at indexes[i], comes in ascending order of its
/// position (equal positions keep their order). Lists of different lengths are left alone.
template <typename T>
bool sortWithIndexes(std::vector<T>& list, const std::vector<int>& indexes) {
    if (list.size() != indexes.size()) return false;
    std::vector<std::size_t> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return indexes[a] < indexes[b]; });
    std::vector<T> sorted;
    sorted.reserve(list.size());
    for (std::size_t i : order) sorted.push_back(std::move(list[i]));
    list = std::move(sorted);
    return true;
}

/// For i from 0: inserts objects[i] at indexes[i]. A position past the end appends and a negative
/// one inserts at the front, rather than failing half-way.
template <typename T>
void insertSortedObjects(std::vector<T>& list, const std::vector<T>& objects, const std::vector<int>& indexes) {
    const std::size_t n = std::min(objects.size(), indexes.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto at = static_cast<std::size_t>(std::max(0, indexes[i]));
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(at, list.size())), objects[i]);
    }
}

/// Inserts objects given in any order at their positions.
template <typename T>
bool insertObjects(std::vector<T>& list, const std::vector<T>& objects, const std::vector<int>& indexes) {
    std::vector<T> sorted = objects;
    if (!sortWithIndexes(sorted, indexes)) return false;
    std::vector<int> positions = indexes;
    std::sort(positions.begin(), positions.end());
    insertSortedObjects(list, sorted, positions);
    return true;
}

/// For each u of `unused` in ascending order, every entry ≥ u moves up by one: positions counted
/// without some slots become positions counted with them.
inline void updateIndexesWithUnusedIndexes(std::vector<int>& list, std::vector<int> unused) {
    std::sort(unused.begin(), unused.end());
    for (int u : unused)
        for (int& v : list)
            if (v >= u) ++v;
}

}  // namespace vantro::pieEx
