#include <gtest/gtest.h>

#include <random>

#include "core/rename_log.h"

using namespace moxtal;

namespace {

using Entries = std::vector<TLogEntry>;

TEST(LogCsv, ExactBytes)
{
    EXPECT_EQ(formatLogCsv({}), "MoxTal rename log\r\n");
    EXPECT_EQ(formatLogCsv({{"a.txt", "b.txt", "/home/u/"}}),
              "MoxTal rename log\r\n\"a.txt\",\"/home/u/\",\"b.txt\"\r\n");
    // A quote is doubled; a comma, a line break and bytes that are not UTF-8 stay as they are.
    EXPECT_EQ(formatLogCsv({{"say \"hi\",\n\xFF.txt", "b", "//"}}),
              "MoxTal rename log\r\n\"say \"\"hi\"\",\n\xFF.txt\",\"//\",\"b\"\r\n");
}

TEST(LogCsv, ReadsBackWhatItWrites)
{
    const Entries tricky {{"a.txt", "b.txt", "/x/"}, {"\"", "\"\"", "/q\"/"},        {"a,b", ",", "/,/"},
                          {"l\r\nf", "\r", "/\n/"},  {"\xFF\xFE", "\x80", "/\xE9/"}, {"a.txt", "b.txt", "/x/"}};
    EXPECT_EQ(parseLogCsv(formatLogCsv(tricky)), tricky);
    EXPECT_EQ(parseLogCsv(formatLogCsv({})), Entries {});

    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255), length(1, 12), rows(0, 5);
    const std::string special = "\",\r\n/";
    auto field = [&] {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : text)
            c = byte(random) < 100 ? special[static_cast<std::size_t>(byte(random)) % special.size()]
                                   : static_cast<char>(byte(random));
        return text;
    };
    for (int trial = 0; trial < 2000; ++trial) {
        Entries entries(static_cast<std::size_t>(rows(random)));
        for (TLogEntry& e : entries)
            e = {field(), field(), "/" + field() + "/"};
        const std::string text = formatLogCsv(entries);
        EXPECT_EQ(parseLogCsv(text), entries);
        // Row by row, as a large log is undone: the same rows from their starts.
        const std::vector<std::size_t> starts = scanLogCsv(text);
        ASSERT_EQ(starts.size(), entries.size());
        for (std::size_t i = 0; i < starts.size(); ++i)
            EXPECT_EQ(logRowAt(text, starts[i]), entries[i]);
    }
}

TEST(LogCsv, RefusesAnythingLooserNamingTheLine)
{
    const std::string title = "MoxTal rename log\r\n";
    const std::vector<std::pair<std::string, std::string>> cases {
        {"", "line 1: not a rename log"},
        {"MoxTal rename log\n", "line 1: a line must end with CR LF"},
        {title + "\"a\",\"/x/\",\"b\"", "line 2: a line must end with CR LF"},
        {title + "\"a\",\"/x/\",\"b\"\n", "line 2: a line must end with CR LF"},
        {title + "a,\"/x/\",\"b\"\r\n", "line 2: a field must begin with a double quote"},
        {title + "\"a\", \"/x/\",\"b\"\r\n", "line 2: a field must begin with a double quote"},
        {title + "\"a\";\"/x/\";\"b\"\r\n", "line 2: fields must be separated by a single comma"},
        {title + "\"a\",\"/x/\",\"b\",\"c\"\r\n", "line 2: a line must end with CR LF"},
        {title + "\"a\",\"/x/\"\r\n", "line 2: fields must be separated by a single comma"},
        {title + "\"a\",\"/x/\",\"b\r\n", "line 2: a quoted field is not closed"},
        {title + "\"a\"b\",\"/x/\",\"b\"\r\n", "line 2: fields must be separated by a single comma"},
        {title + "\"\",\"/x/\",\"b\"\r\n", "line 2: the names before and after a rename must not be empty"},
        {title + "\"a\",\"/x\",\"b\"\r\n", "line 2: the folder must begin and end with \"/\""},
        {title + "\"a\",\"./\",\"b\"\r\n", "line 2: the folder must begin and end with \"/\""},
        {title + "\"a\",\"../x/\",\"b\"\r\n", "line 2: the folder must begin and end with \"/\""},
        {title + "\"a\",\"/x/\",\"b\"\r\n\"l\nf\",\"/x/\",\"b\"\r\n\r\n", "line 5: a field must begin"},
    };
    for (const auto& [text, message] : cases) {
        for (auto read : {+[](std::string_view t) { parseLogCsv(t); }, +[](std::string_view t) { scanLogCsv(t); }}) {
            try {
                read(text);
                ADD_FAILURE() << "accepted: " << text;
            } catch (const LogFormatError& e) {
                EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what() << " for " << text;
            }
        }
    }
}

TEST(LogUndo, BottomFirstRemovesExactlyTheUndoneRows)
{
    // Files: a went to b, then b to c; x to y cannot go back; p to q is not selected.
    Entries log {{"a", "b", "/d/"}, {"x", "y", "/d/"}, {"p", "q", "/d/"}, {"b", "c", "/d/"}};
    std::vector<std::string> calls;
    const UndoOutcome outcome = undoLogRows(log, {0, 1, 3}, [&](const TLogEntry& e) {
        calls.push_back(e.To + ">" + e.From);
        return e.From != "x";
    });
    EXPECT_EQ(calls, (std::vector<std::string> {"c>b", "y>x", "b>a"}));
    EXPECT_EQ(outcome.undone, (std::vector<bool> {true, false, true}));
    EXPECT_EQ(log, (Entries {{"x", "y", "/d/"}, {"p", "q", "/d/"}}));
    EXPECT_EQ(outcome.kept, (std::vector<std::size_t> {0}));

    std::vector<int> numbers {0, 1, 2, 3, 4, 5};
    eraseAtPositions(numbers, {0, 2, 5});
    EXPECT_EQ(numbers, (std::vector<int> {1, 3, 4}));
}

}  // namespace
