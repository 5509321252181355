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
        {title + "\"a\",\"/x/\",\"b\",\"c\"\r\n", "line 2: a row has 4 fields"},
        {title + "\"a\",\"/x/\"\r\n", "line 2: a row has 2 fields"},
        {title + "\"a\",\"/x/\",\"b\",\"1\",\"01\",\"\"\r\n", "line 2: the file's size, time and inode"},
        {title + "\"a\",\"/x/\",\"b\",\"1\",\"2\",\"0\"\r\n", "line 2: the file's size, time and inode"},
        {title + "\"a\",\"/x/\",\"b\",\"-1\",\"2\",\"\"\r\n", "line 2: the file's size, time and inode"},
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

TEST(LogCsv, IdentityFieldsMixWithDesignedRows)
{
    const Entries rows {{"a", "b", "/x/", FileIdentity {12, -1500000000, 0}},
                        {"c", "d", "/x/"},
                        {"e", "f", "/y/", FileIdentity {0, 1700000000123456789, 42}}};
    EXPECT_EQ(parseLogCsv(formatLogCsv(rows, LogColumns::WithIdentity)), rows);
    EXPECT_EQ(formatLogCsv({rows[2]}, LogColumns::WithIdentity),
              "MoxTal rename log\r\n\"e\",\"/y/\",\"f\",\"0\",\"1700000000123456789\",\"42\"\r\n");
    // The window's "Save" keeps the three designed columns.
    EXPECT_EQ(formatLogCsv(rows), formatLogCsv({{"a", "b", "/x/"}, {"c", "d", "/x/"}, {"e", "f", "/y/"}}));
    // Fields after the identity are left for later versions.
    EXPECT_EQ(parseLogCsv("MoxTal rename log\r\n\"a\",\"/x/\",\"b\",\"1\",\"2\",\"3\",\"later\"\r\n"),
              (Entries {{"a", "b", "/x/", FileIdentity {1, 2, 3}}}));
}

TEST(LogCsv, TornTailsKeepTheWholeRows)
{
    const std::string title = "MoxTal rename log\r\n";
    const std::string two = formatLogCsv({{"a", "b", "/x/"}, {"say \"hi\"", "c\r\nd", "/x/"}});
    const std::size_t firstEnd = title.size() + std::string("\"a\",\"/x/\",\"b\"\r\n").size();
    struct Case {
        const char* name;
        std::string text;
        std::size_t rows, wholeEnd, tornLine;
    };
    const std::vector<Case> cases {
        {"whole", two, 2, two.size(), 0},
        {"no CR LF yet", two.substr(0, two.size() - 2), 1, firstEnd, 3},
        {"CR without LF", two.substr(0, two.size() - 1), 1, firstEnd, 3},
        {"cut inside a doubled quote", two.substr(0, firstEnd + 5), 1, firstEnd, 3},
        {"cut after a field", two.substr(0, firstEnd + 12), 1, firstEnd, 3},
        {"cut inside a line break of a name", two.substr(0, two.size() - 8), 1, firstEnd, 3},
        {"NUL tail of a power cut", two + std::string(4096, '\0'), 2, two.size(), 5},
        {"NUL after half a row", two.substr(0, firstEnd + 3) + std::string(9, '\0'), 1, firstEnd, 3},
        {"cut title", title.substr(0, 7), 0, 0, 1},
        {"empty", "", 0, 0, 1},
    };
    for (const Case& c : cases) {
        const LogScan scan = scanLogText(c.text);
        EXPECT_EQ(scan.starts.size(), c.rows) << c.name;
        EXPECT_EQ(scan.wholeEnd, c.wholeEnd) << c.name;
        EXPECT_EQ(scan.tornLine, c.tornLine) << c.name;
    }
    // Damage that is not a cut end is still refused.
    for (const std::string& bad : {title + "\"a\";\"/x/\"", title + "x", std::string("Other")})
        EXPECT_THROW(scanLogText(bad), LogFormatError) << bad;
}

TEST(LogUndo, BottomFirstRemovesExactlyTheUndoneRows)
{
    // Files: a went to b, then b to c; x to y cannot go back; p to q is not selected.
    Entries log {{"a", "b", "/d/"}, {"x", "y", "/d/"}, {"p", "q", "/d/"}, {"b", "c", "/d/"}};
    std::vector<std::string> calls;
    const UndoOutcome outcome = undoLogRows(log, {0, 1, 3}, [&](const TLogEntry& e) {
        calls.push_back(e.To + ">" + e.From);
        return UndoRowResult {e.From != "x" ? UndoStep::Undone : UndoStep::Failed, {}};
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
