#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include <QLocale>

namespace moxtal {

// Positions of names in the order of the locale's collation (ignoring letter case when asked);
// names that collate equal are ordered by their bytes. Descending compares every pair the other
// way round. Each name's collation key is computed once.
std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                        bool descending = false, const QLocale& locale = QLocale::system());

// Reorders items so that position i holds the item that was at order[i].
template <typename T> void applyOrder(std::vector<T>& items, const std::vector<std::size_t>& order)
{
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(items[i]));
    items = std::move(sorted);
}

}  // namespace moxtal
