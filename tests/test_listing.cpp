#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include <QCollator>

#include "core/wildcard.h"
#include "platform/collation.h"
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
        files.push_back({n, 1, 0});
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
    EXPECT_EQ(dateTextOf(files[0].timeStamp), "2003/01/15 12:34:56");  // two-second steps
}

TEST(DateText, BoundariesOfThePackedForm)
{
    // The tests run with TZ=UTC and the C locale.
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588800)), "2003/01/15");  // midnight: date only
    EXPECT_EQ(formatDateText(toLocalFileTime(0)), "1980/01/01");  // before 1980
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588801)), "2003/01/15");  // 00:00:01 rounds down
    EXPECT_EQ(formatDateText(toLocalFileTime(1042588802)), "2003/01/15 00:00:02");
    EXPECT_LT(toLocalFileTime(1042588802).stamp(), toLocalFileTime(1042634097).stamp());
    EXPECT_EQ(formatDateText(toLocalFileTime(5000000000)), "2107/12/31 23:59:58");  // after 2107: the last
    for (const std::time_t t : {std::time_t {0}, std::time_t {1042634097}, std::time_t {4354819198}}) {
        const LocalFileTime local = toLocalFileTime(t);
        EXPECT_EQ(dateTextOf(local.stamp()), formatDateText(local)) << t;  // the stamp holds the time
    }
}

TEST(DateText, RealLocales)
{
    // The locale's short date, a blank, its long time without the time zone.
    const LocalFileTime t {2003, 1, 15, 12, 34, 56};
    EXPECT_EQ(formatDateText(t, QLocale(QLocale::English, QLocale::UnitedStates)), "1/15/03 12:34:56 PM");
    EXPECT_EQ(formatDateText(t, QLocale(QLocale::Japanese, QLocale::Japan)), "2003/01/15 12時34分56秒");
    EXPECT_EQ(formatDateText({2003, 1, 15, 0, 0, 0}, QLocale(QLocale::Japanese, QLocale::Japan)), "2003/01/15");
    EXPECT_EQ(formatDateText(t, QLocale::c()), "2003/01/15 12:34:56");
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

namespace {

TEST(Collation, LiteralOrders)
{
    const std::vector<std::string> texts {"b.txt", "a.txt", "C.txt", "B.txt", "a10", "a9", "\xC3\xA9t\xC3\xA9", "ete"};
    const std::vector<std::string_view> names(texts.begin(), texts.end());
    auto ordered = [&](Qt::CaseSensitivity cs, bool descending, const QLocale& locale) {
        std::vector<std::string> out;
        for (const std::size_t i : collationOrder(names, cs, descending, locale))
            out.push_back(texts[i]);
        return out;
    };
    using L = std::vector<std::string>;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    // The C locale: by bytes (capitals first); caselessly, ties by bytes.
    EXPECT_EQ(ordered(Qt::CaseSensitive, false, QLocale::c()),
              (L {"B.txt", "C.txt", "a.txt", "a10", "a9", "b.txt", "ete", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(ordered(Qt::CaseInsensitive, false, QLocale::c()),
              (L {"a.txt", "a10", "a9", "B.txt", "b.txt", "C.txt", "ete", "\xC3\xA9t\xC3\xA9"}));
    // A real locale: accents are secondary, so "été" sorts by "ete".
    EXPECT_EQ(ordered(Qt::CaseInsensitive, false, english),
              (L {"a.txt", "a10", "a9", "B.txt", "b.txt", "C.txt", "ete", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(ordered(Qt::CaseInsensitive, true, english).front(), "\xC3\xA9t\xC3\xA9");
}

TEST(Collation, CLocaleAsciiOrderIsTheCollatorsOrder)
{
    // Names of letters of both cases, digits and punctuation, with ties and prefixes; enough of
    // them for the sort to be shared out among threads and merged.
    std::mt19937 random(5);
    const std::string alphabet = "aAbBzZ09_-. ~";
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) {
        std::string name(static_cast<std::size_t>(random() % 5), ' ');
        for (char& c : name)
            c = alphabet[random() % alphabet.size()];
        texts.push_back(name);
    }
    const std::vector<std::string_view> names(texts.begin(), texts.end());
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (const bool descending : {false, true}) {
            QCollator collator(QLocale::c());
            collator.setCaseSensitivity(cs);
            auto key = [&](const std::string& n) {
                const QString text = QString::fromStdString(n);
                return collator.sortKey(cs == Qt::CaseInsensitive ? text.toCaseFolded() : text);
            };
            const std::vector<std::size_t> order = collationOrder(names, cs, descending, QLocale::c());
            // A permutation: every name once.
            std::vector<std::size_t> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            for (std::size_t i = 0; i < sorted.size(); ++i)
                ASSERT_EQ(sorted[i], i);
            for (std::size_t i = 1; i < order.size(); ++i) {
                const std::string& a = texts[order[i - 1]];
                const std::string& b = texts[order[i]];
                const int c = key(a).compare(key(b));
                const int byCollator = c != 0 ? c : a.compare(b);
                EXPECT_TRUE(descending ? byCollator >= 0 : byCollator <= 0) << a << " | " << b;
                if (a == b) {  // stable: equal names keep their order
                    EXPECT_LT(order[i - 1], order[i]) << a;
                }
            }
        }
    }
}

TEST(Collation, RealLocaleOrderIsOneCollatorsOrder)
{
    // Names with accents, kana and both cases in a real locale: enough of them for the keys to be
    // made by several threads, each with its own collator.
    std::mt19937 random(7);
    const std::vector<std::string> letters {"a", "A", "e", "\xC3\xA9", "\xC3\x89", "z", "\xE3\x81\x82", "1", "_"};
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) {
        std::string name;
        for (std::size_t n = random() % 5; n > 0; --n)
            name += letters[random() % letters.size()];
        texts.push_back(name);
    }
    const std::vector<std::string_view> names(texts.begin(), texts.end());
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        QCollator collator(english);
        collator.setCaseSensitivity(cs);
        auto key = [&](const std::string& n) {
            const QString text = QString::fromStdString(n);
            return collator.sortKey(cs == Qt::CaseInsensitive ? text.toCaseFolded() : text);
        };
        const std::vector<std::size_t> order = collationOrder(names, cs, false, english);
        ASSERT_EQ(order.size(), texts.size());
        for (std::size_t i = 1; i < order.size(); ++i) {
            const std::string& a = texts[order[i - 1]];
            const std::string& b = texts[order[i]];
            const int c = key(a).compare(key(b));
            EXPECT_LE(c != 0 ? c : a.compare(b), 0) << a << " | " << b;
        }
    }
}

}  // namespace
