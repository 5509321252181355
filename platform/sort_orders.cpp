#include "sort_orders.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "collation.h"

namespace moxtal {

std::vector<std::size_t> columnOrder(const std::vector<ListedFile>& files, SortColumn column, bool descending)
{
    if (column == SortColumn::Name) {
        std::vector<std::string_view> names;
        names.reserve(files.size());
        for (const ListedFile& f : files)
            names.emplace_back(f.name);
        return collationOrder(names, Qt::CaseInsensitive, descending);
    }
    const auto key = [&](std::size_t i) { return column == SortColumn::Size ? files[i].size : files[i].timeStamp; };
    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t {0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return descending ? key(b) < key(a) : key(a) < key(b); });
    return order;
}

void sortByName(std::vector<ListedFile>& files)
{
    sortByName(files, QLocale::system());
}

void sortByName(std::vector<ListedFile>& files, const QLocale& locale)
{
    // The C locale orders ASCII names by their bytes: sorted in place, with no keys or copies
    // (two entries with equal names are the same file listed by two masks).
    const auto ascii = [](const ListedFile& f) {
        return std::all_of(f.name.begin(), f.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (locale.language() == QLocale::C && std::all_of(files.begin(), files.end(), ascii)) {
        std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
        return;
    }
    std::vector<std::string_view> names;
    names.reserve(files.size());
    for (const ListedFile& file : files)
        names.emplace_back(file.name);
    applyOrder(files, collationOrder(names, Qt::CaseSensitive, false, locale));
}

}  // namespace moxtal
