#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "core/wildcard.h"
#include "platform/listing.h"
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

TEST(Listing, SortFollowsTheLocaleWithCaseSignificant)
{
    std::vector<ListedFile> files;
    for (const char* n : {"b.txt", "B.txt", "a10.txt", "A.txt", "a2.txt", "b.txt"})
        files.push_back({n, 1, 0, ""});
    sortByName(files, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(names(files), (Names {"A.txt", "a10.txt", "a2.txt", "b.txt", "b.txt", "B.txt"}));
}

TEST(Listing, SizeAndDateText)
{
    TempFolder dir;
    dir.write("nine.txt", std::string(9, 'x'));
    dir.setTime("nine.txt", 1042634097);  // 2003-01-15 12:34:57 UTC
    const std::vector<ListedFile> files = listFolder(dir.path(), {"*.*"});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].size, 9);
    EXPECT_EQ(files[0].dateText, "2003/01/15 12:34:56");  // two-second steps
}

TEST(DateText, BoundariesOfThePackedForm)
{
    // The tests run with TZ=UTC and the C locale.
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588800)), "2003/01/15");  // midnight: date only
    EXPECT_EQ(formatDateText(toLocalFileTime(0)), "1980/01/01");           // before 1980
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588801)), "2003/01/15");  // 00:00:01 rounds down
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588802)), "2003/01/15 00:00:02");
    EXPECT_LT(toLocalFileTime(1042588802).stamp(), toLocalFileTime(1042634097).stamp());
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
