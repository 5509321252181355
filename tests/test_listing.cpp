#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

#include "core/wildcard.h"
#include "platform/file_times.h"
#include "platform/listing.h"
#include "platform/listing_threads.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

std::vector<std::string> names(const std::vector<ListedFile>& files)
{
    std::vector<std::string> out;
    for (const ListedFile& f : files)
        out.push_back(f.name);
    return out;
}

std::vector<std::string> list(const TempFolder& dir, const std::string& filter = "*.*")
{
    return names(listFolder(dir.path(), splitFilterMasks(filter)));
}

using Names = std::vector<std::string>;

TEST(Listing, SkipsFoldersHiddenReadOnlyEmptyAndSystemEntries)
{
    TempFolder dir;
    dir.write("b.txt");
    dir.write("a.jpg");
    dir.write(".hidden");
    dir.write("empty.txt", "");
    ::chmod(dir.write("locked.txt").c_str(), 0444);
    ::mkdir(dir.file("sub").c_str(), 0755);
    dir.write("sub/inner.txt");
    ::mkfifo(dir.file("pipe").c_str(), 0644);
    ::symlink("b.txt", dir.file("link.txt").c_str());
    ::symlink("missing", dir.file("dangling.txt").c_str());
    EXPECT_EQ(list(dir), (Names {"a.jpg", "b.txt", "link.txt"}));
}

TEST(Listing, MasksArePassesInOrderWithoutMerging)
{
    TempFolder dir;
    dir.write("a.jpg");
    dir.write("b.TXT");
    dir.write("README");
    EXPECT_EQ(list(dir, "*.txt;*.JPG"), (Names {"a.jpg", "b.TXT"}));
    EXPECT_EQ(list(dir, "*.*;*.jpg"), (Names {"README", "a.jpg", "a.jpg", "b.TXT"}));
    EXPECT_EQ(list(dir, "*.jpg;"), (Names {"a.jpg"}));
    EXPECT_EQ(list(dir, ""), Names {});
    EXPECT_EQ(list(dir, "readme"), (Names {"README"}));
    EXPECT_EQ(list(dir, " *.jpg"), Names {});  // blanks are part of the mask
}

TEST(Listing, MissingOrUnreadableFolderIsEmpty)
{
    TempFolder dir;
    EXPECT_TRUE(listFolder(dir.file("nope"), {"*.*"}).empty());
    dir.write("plain.txt");
    EXPECT_TRUE(listFolder(dir.file("plain.txt"), {"*.*"}).empty());
    EXPECT_TRUE(list(dir, "*.none").empty());
}

TEST(Listing, SortsByNameCaseSensitiveAndKeepsBytes)
{
    TempFolder dir;
    const std::string raw = "caf\xE9.txt";  // Latin-1 bytes: not valid UTF-8
    for (const std::string& n : {std::string("b.txt"), std::string("B.txt"), std::string("a.txt"), raw})
        dir.write(n);
    // The tests run in the C locale, whose collation is the order of the characters.
    EXPECT_EQ(list(dir), (Names {"B.txt", "a.txt", "b.txt", raw}));
}

TEST(Listing, SizeAndDateText)
{
    TempFolder dir;
    dir.write("nine.txt", std::string(9, 'x'));
    dir.setTime("nine.txt", 1042634097);  // 2003-01-15 12:34:57 UTC
    const std::vector<ListedFile> files = listFolder(dir.path(), {"*.*"});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].size, 9);
    EXPECT_EQ(dateTextOf(files[0].timeStamp), "2003/01/15 12:34:56");  // two-second steps
}

TEST(Listing, ThreadsGiveTheSameListAndProgressCanCancel)
{
    // Enough entries for the status reads to be shared out, of every kind the list skips too.
    TempFolder dir;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "f" + std::to_string(i) + (i % 3 ? ".txt" : ".jpg");
        if (i % 97 == 0)
            ::mkdir(dir.file(name).c_str(), 0755);
        else if (i % 89 == 0)
            ::mkfifo(dir.file(name).c_str(), 0644);
        else
            dir.write(name, std::string(static_cast<std::size_t>(i % 7), 'x'));  // some empty
        if (i % 83 == 0)
            ::chmod(dir.file(name).c_str(), 0444);
    }
    auto listed = [&](int threads) {
        setListingThreads(threads);
        std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> out;
        for (const ListedFile& f : listFolder(dir.path(), {"*.txt", "f1*"}))
            out.emplace_back(f.name, f.size, f.timeStamp);
        return out;
    };
    const auto one = listed(1);
    EXPECT_GT(one.size(), 2000u);
    EXPECT_EQ(listed(4), one);
    EXPECT_EQ(listed(0), one);

    // The progress counts each entry once, "." and ".." never, whatever the masks list.
    const std::pair<const char*, std::vector<std::string>> maskCases[] = {
        {"every name listed", {"*.*"}},
        {"names listed twice", {"*.txt", "f1*"}},
        {"no name listed", {"*.none"}},
    };
    std::vector<std::size_t> reports;
    for (const auto& [name, masks] : maskCases) {
        reports.clear();
        listFolder(dir.path(), masks, nullptr, nullptr, nullptr, [&](std::size_t seen) {
            reports.push_back(seen);
            return true;
        });
        ASSERT_FALSE(reports.empty()) << name;
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end())) << name;
        EXPECT_EQ(reports.back(), 3000u) << name;
    }
    reports.clear();
    bool readable = true;
    EXPECT_TRUE(listFolder(dir.path(), {"*.*"}, &readable, nullptr, nullptr, [&](std::size_t seen) {
                    reports.push_back(seen);
                    return false;
                }).empty());
    EXPECT_FALSE(readable);  // a cancelled listing is an empty one, as for a folder that cannot be read
    EXPECT_EQ(reports.size(), 1u);
    // Cancelled while the status is read, with the readers under way: nothing either.
    EXPECT_TRUE(listFolder(dir.path(), {"*.*"}, nullptr, nullptr, nullptr, [](std::size_t seen) {
                    return seen <= 600u;
                }).empty());
    // Cancelled while the names of a larger folder are still read: it stops there, heard no more.
    for (int i = 3000; i < 4200; ++i)
        dir.write("g" + std::to_string(i));
    reports.clear();
    EXPECT_TRUE(listFolder(dir.path(), {"*.none"}, nullptr, nullptr, nullptr, [&](std::size_t seen) {
                    reports.push_back(seen);
                    return false;
                }).empty());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_LT(reports[0], 4200u);
    setListingThreads(0);
}

TEST(Listing, LargeFileSizeIsSixtyFourBit)
{
    TempFolder dir;
    const std::string path = dir.write("big.bin");
    ASSERT_EQ(::truncate(path.c_str(), 3'000'000'000LL), 0);  // sparse
    const std::vector<ListedFile> files = listFolder(dir.path(), {"*.*"});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].size, 3'000'000'000LL);
}

}  // namespace
