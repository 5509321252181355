#pragma once

#include <cstddef>
#include <vector>

#include <QLocale>

#include "listing.h"

namespace moxtal {

// The file list's column orders, as a click on a column sorts: Name by the case-insensitive locale
// comparison, Size and Date by their values, equal keys in their present order.
enum class SortColumn { Name, Size, Date };
std::vector<std::size_t> columnOrder(const std::vector<ListedFile>& files, SortColumn column, bool descending);

// Sorts by name in the case-sensitive order of locale (the system locale when none is given);
// names that collate equal are ordered by their bytes.
void sortByName(std::vector<ListedFile>& files, const QLocale& locale);
void sortByName(std::vector<ListedFile>& files);

}  // namespace moxtal
