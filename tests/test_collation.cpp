#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <QCollator>

#include "platform/collation.h"
#include "platform/listing_threads.h"

using namespace moxtal;

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
        // Some alike in their first 16 bytes and more, so that the order reads past them.
        texts.push_back(i % 3 ? name : "a_Shared_Prefix." + name);
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
    // Names with accents, kana (and half-width kana), both cases, letters that fold to two (ß, ﬁ)
    // and the Turkish i's, in real locales: enough of them for the keys to be made by several
    // threads, each with its own collator; the order is one thread's, and QCollator's.
    std::mt19937 random(7);
    const std::vector<std::string> letters {"a",
                                            "A",
                                            "e",
                                            "\xC3\xA9",
                                            "\xC3\x89",
                                            "z",
                                            "1",
                                            "_",
                                            " ",
                                            "\xC3\x9F",
                                            "ss",
                                            "\xEF\xAC\x81",
                                            "fi",
                                            "\xC4\xB1",
                                            "\xC4\xB0",
                                            "I",
                                            "\xE3\x81\x82",
                                            "\xE3\x82\xA2",
                                            "\xEF\xBD\xB1",
                                            "\xE6\xBC\xA2"};
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) {
        std::string name;
        for (std::size_t n = random() % 5; n > 0; --n)
            name += letters[random() % letters.size()];
        texts.push_back(name);
    }
    const std::vector<std::string_view> names(texts.begin(), texts.end());
    for (const char* const localeName : {"en_US", "ja_JP", "de_DE", "sv_SE", "tr_TR"})
        for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            const QLocale locale(QString::fromLatin1(localeName));
            QCollator collator(locale);
            collator.setCaseSensitivity(cs);
            auto key = [&](const std::string& n) {
                const QString text = QString::fromStdString(n);
                return collator.sortKey(cs == Qt::CaseInsensitive ? text.toCaseFolded() : text);
            };
            setListingThreads(1);
            const std::vector<std::size_t> oneThread = collationOrder(names, cs, false, locale);
            setListingThreads(4);
            const std::vector<std::size_t> order = collationOrder(names, cs, false, locale);
            setListingThreads(0);
            ASSERT_EQ(order, oneThread);
            for (std::size_t i = 1; i < order.size(); ++i) {
                const std::string& a = texts[order[i - 1]];
                const std::string& b = texts[order[i]];
                const int c = key(a).compare(key(b));
                EXPECT_LE(c != 0 ? c : a.compare(b), 0) << localeName << ": " << a << " | " << b;
            }
        }
}

}  // namespace
