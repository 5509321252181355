#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/listing.h"
#include "platform/sort_orders.h"

using namespace moxtal;

namespace {

std::vector<std::string> names(const std::vector<ListedFile>& files)
{
    std::vector<std::string> out;
    for (const ListedFile& f : files)
        out.push_back(f.name);
    return out;
}

using Names = std::vector<std::string>;

TEST(SortOrders, ByNameFollowsTheLocaleWithCaseSignificant)
{
    std::vector<ListedFile> files;
    for (const char* n : {"b.txt", "B.txt", "a10.txt", "A.txt", "a2.txt", "b.txt"})
        files.push_back({n, 1, 0});
    sortByName(files, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(names(files), (Names {"A.txt", "a10.txt", "a2.txt", "b.txt", "b.txt", "B.txt"}));
}

TEST(SortOrders, ColumnOrdersKeepEqualKeysInTheirOrder)
{
    const std::vector<ListedFile> files {
        {"b.txt", 2, 30},
        {"A.txt", 1, 10},
        {"c.txt", 2, 20},
        {"a.txt", 3, 10},
    };
    using Order = std::vector<std::size_t>;
    struct Case {
        const char* name;
        SortColumn column;
        bool descending;
        Order order;
    };
    const Case cases[] = {
        {"names ignoring case, ties by bytes", SortColumn::Name, false, {1, 3, 0, 2}},
        {"names descending", SortColumn::Name, true, {2, 0, 3, 1}},
        {"sizes, equal ones as they were", SortColumn::Size, false, {1, 0, 2, 3}},
        {"sizes descending, equal ones as they were", SortColumn::Size, true, {3, 0, 2, 1}},
        {"dates", SortColumn::Date, false, {1, 3, 2, 0}},
        {"dates descending", SortColumn::Date, true, {0, 2, 1, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(columnOrder(files, c.column, c.descending), c.order) << c.name;
}

}  // namespace
