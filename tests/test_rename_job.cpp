#include <gtest/gtest.h>

#include <cerrno>

#include "core/rename_job.h"
#include "core/rename_loop.h"
#include "core/text_case.h"

using namespace moxtal;

namespace {

std::vector<JobEntry> entries(std::initializer_list<const char*> names)
{
    std::vector<JobEntry> out;
    int image = 0;
    for (const char* name : names)
        out.push_back({name, image++, "2003/01/15 12:34:56"});
    return out;
}

JobResult run(const std::vector<JobEntry>& files, std::string pattern, std::string replacement, std::string start = "0",
              std::string step = "1", std::string folder = "/home/u/Photos")
{
    return computeRenameRows(folder, files, JobTexts {pattern, replacement, start, step});
}

std::vector<std::string> newNames(const JobResult& r)
{
    std::vector<std::string> out;
    for (const ConfirmRow& row : r.rows)
        out.push_back(row.newName);
    return out;
}

std::vector<std::string> statuses(const JobResult& r)
{
    std::vector<std::string> out;
    for (const ConfirmRow& row : r.rows)
        out.emplace_back(row.status);
    return out;
}

using Names = std::vector<std::string>;

TEST(NameSplit, ExtensionFromLastDot)
{
    EXPECT_EQ(splitBaseName("archive.tar.gz").base, "archive.tar");
    EXPECT_EQ(splitBaseName("archive.tar.gz").extension, ".gz");
    EXPECT_EQ(splitBaseName("README").extension, "");
    EXPECT_EQ(splitBaseName(".htaccess").base, "");
    EXPECT_EQ(splitBaseName("\x81\x2E"
                            "a",
                            CodePage::Cp932)
                  .extension,
              "");  // 0x2E as trail byte
    EXPECT_EQ(folderNameOf("/home/u/Photos"), "Photos");
    EXPECT_EQ(folderNameOf("/"), "");
}

TEST(RenameJob, DefaultsGiveSameNameForEveryFile)
{
    const JobResult r = run(entries({"a.txt", "b.jpg", ".htaccess"}), "(.*)", "\\1");
    EXPECT_EQ(statuses(r), (Names {"Same name", "Same name", "Empty name"}));
    EXPECT_EQ(r.rows[1].oldName, "b.jpg");
    EXPECT_EQ(r.rows[1].image, 1);
    EXPECT_EQ(r.rows[1].result, "");
}

TEST(RenameJob, EmptyListOpensEmptyDialogEvenWithBadPattern)
{
    EXPECT_TRUE(run({}, "(", "x").rows.empty());
    EXPECT_THROW(run(entries({"a.txt"}), "(", "x"), AppError);
}

TEST(RenameJob, NonMatchingFileGetsNoRowAndNoNumber)
{
    const JobResult r = run(entries({"cat.jpg", "dog.jpg", "cow.jpg"}), "^c", "x\\\\", "1");
    EXPECT_EQ(newNames(r), (Names {"x01at.jpg", "x02ow.jpg"}));
    EXPECT_EQ(r.counter, 3);
    EXPECT_EQ(run(entries({"a.jpg"}), "a", "b", "5").counter, 5);  // no backslash: no number used
    EXPECT_EQ(newNames(run(entries({"img_001.jpg", "x.jpg"}), "IMG", "pic")), (Names {"pic_001.jpg"}));  // any case
}

TEST(RenameJob, SequenceNumbers)
{
    EXPECT_EQ(newNames(run(entries({"a.jpg", "b.jpg", "c.jpg"}), "(.*)", "IMG_\\\\\\", "1")),
              (Names {"IMG_001.jpg", "IMG_002.jpg", "IMG_003.jpg"}));
    EXPECT_EQ(newNames(run(entries({"a.x", "b.x"}), "(.*)", "\\1_\\\\", "8", "2")), (Names {"a_08.x", "b_10.x"}));
    // Two backslashes then 1: a literal backslash run of width 1, then group 1.
    EXPECT_EQ(newNames(run(entries({"a.x"}), "(.*)", "\\\\1", "7")), (Names {"7a.x"}));
    // Every run gets the same number; the counter advances once per file.
    const JobResult twoRuns = run(entries({"a.x", "b.x"}), "(.*)", "\\-\\1\\\\\\", "4");
    EXPECT_EQ(newNames(twoRuns), (Names {"004-a004.x", "005-b005.x"}));
    EXPECT_EQ(twoRuns.counter, 6);
    // The longest run sets the width, wherever it stands.
    EXPECT_EQ(newNames(run(entries({"a.x"}), "(.*)", "\\\\\\-\\1\\", "4")), (Names {"004-a004.x"}));
    // Runs at the very end and just before the end keep every other character.
    EXPECT_EQ(newNames(run(entries({"ab.x"}), "b", "\\\\", "3")), (Names {"a03.x"}));
    EXPECT_EQ(newNames(run(entries({"abc.x"}), "b", "\\\\", "3")), (Names {"a03c.x"}));
}

TEST(RenameJob, NumberTextSignAndWidth)
{
    EXPECT_EQ(sequenceNumberText(-5, 3), "-05");
    EXPECT_EQ(sequenceNumberText(1000, 2), "1000");
    EXPECT_EQ(sequenceNumberText(7, 1), "7");
    EXPECT_EQ(sequenceNumberText(-2147483647 - 1, 1), "-2147483648");
    EXPECT_EQ(newNames(run(entries({"a.x", "b.x"}), "(.*)", "\\\\\\", "-1")), (Names {"-01.x", "000.x"}));
}

TEST(RenameJob, CounterStopsAtThirtyTwoBits)
{
    // The files a.x, b.x and c.x; each that the pattern matches uses one number. The outcome is the
    // new base names and the next number (none when it does not fit), or the error that ended the job.
    const auto outcome = [](const char* start, const char* step, const char* pattern) {
        try {
            const JobResult r = run(entries({"a.x", "b.x", "c.x"}), pattern, "\\", start, step);
            std::string text;
            for (const ConfirmRow& row : r.rows)
                text += std::string(splitBaseName(row.newName).base) + " ";
            return text + "next " + (r.counter ? std::to_string(*r.counter) : "none");
        } catch (const AppError& e) {
            return std::string(e.what());
        }
    };
    struct Case {
        const char* name;
        const char* start;
        const char* step;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"last file uses the highest number", "2147483645", "1", "(.*)", "2147483645 2147483646 2147483647 next none"},
        {"one file at the highest number", "2147483647", "1", "^a", "2147483647 next none"},
        {"files without a match use no number", "2147483647", "1", "^b", "2147483647 next none"},
        {"number after the highest one", "2147483646", "1", "(.*)",
         "the sequence number 2147483648 (after 2147483647, step 1) does not fit in 32 bits"},
        {"highest number, stepping down", "2147483647", "-1", "(.*)",
         "2147483647 2147483646 2147483645 next 2147483644"},
        {"last file uses the lowest number", "-2147483646", "-1", "(.*)",
         "-2147483646 -2147483647 -2147483648 next none"},
        {"number below the lowest one", "-2147483648", "-1", "(.*)",
         "the sequence number -2147483649 (after -2147483648, step -1) does not fit in 32 bits"},
        {"lowest number, stepping up", "-2147483648", "1", "^[ab]", "-2147483648 -2147483647 next -2147483646"},
        {"largest step from the lowest number", "-2147483648", "2147483647", "(.*)",
         "-2147483648 -1 2147483646 next none"},
        {"largest step overshoots", "0", "2147483647", "(.*)",
         "the sequence number 4294967294 (after 2147483647, step 2147483647) does not fit in 32 bits"},
        {"step 0 at the highest number", "2147483647", "0", "(.*)", "2147483647 2147483647 2147483647 next 2147483647"},
        {"step 0 at the lowest number", "-2147483648", "0", "^a", "-2147483648 next -2147483648"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outcome(c.start, c.step, c.pattern), c.expected) << c.name;
}

TEST(RenameJob, StartAndStepMustBeIntegers)
{
    EXPECT_EQ(parseInteger(" 42"), 42);
    EXPECT_EQ(parseInteger("+3"), 3);
    EXPECT_EQ(parseInteger("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "abc", "1.5", "12x", "2147483648", "+-1", "- 1", "--1", "1 "}) {
        try {
            parseInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const AppError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' は整数ではありません");
        }
    }
    EXPECT_THROW(run(entries({"a.x"}), "(.*)", "\\1", "x"), AppError);
    EXPECT_THROW(run(entries({"a.x"}), "(.*)", "\\1", "0", ""), AppError);
}

TEST(RenameJob, DateTimeAndFolderEscapes)
{
    EXPECT_EQ(newNames(run(entries({"a.jpg"}), "(.*)", "\\d_\\D_\\f")), (Names {"20030115_20030115123456_Photos.jpg"}));
    std::vector<JobEntry> midnight {{"a.jpg", 0, "2003/01/15"}};
    EXPECT_EQ(newNames(run(midnight, "(.*)", "\\D")), (Names {"20030115.jpg"}));
    // Expansions come after the numbering, so a folder name with a backslash is no number run.
    EXPECT_EQ(newNames(run(entries({"a.jpg"}), "(.*)", "\\f", "0", "1", "/tmp/x\\y")), (Names {"x\\y.jpg"}));
    EXPECT_EQ(newNames(run(entries({"a.jpg"}), "(.*)", "\\1\\f", "0", "1", "/")), (Names {"a.jpg"}));
}

TEST(RenameJob, StatusWordsInTheirOrder)
{
    EXPECT_EQ(statuses(run(entries({".htaccess", "a.txt"}), "(.*)", "")), (Names {"Empty name", "Invalid name"}));
    EXPECT_EQ(statuses(run(entries({"a.txt", "b.txt", "c.txt"}), "(.*)", "\\1?")),
              (Names {"Invalid name", "Invalid name", "Invalid name"}));
    for (const char* bad : {"<", ">", "|", "*", "/", ":", "?", ";", ","})
        EXPECT_EQ(decideStatus("a", std::string("x") + bad, CodePage::Utf8), kStatusInvalidName) << bad;
    EXPECT_EQ(statuses(run(entries({"abc.txt"}), "(.*)", "ABC")), (Names {"Replace"}));
    EXPECT_EQ(statuses(run(entries({"a.txt"}), "", "x")), (Names {"Same name"}));
    // In CP932 a "|" (0x7C) that is a trail byte is part of a letter, not a forbidden character.
    EXPECT_EQ(decideStatus("a", "\x83\x7C", CodePage::Cp932), kStatusReplace);
    EXPECT_EQ(decideStatus("a", "\x83\x7C", CodePage::Utf8), kStatusInvalidName);
}

TEST(RenameJob, InvalidNameReasons)
{
    struct Case {
        const char* name;
        std::string oldName, newName;
        std::string reason;
        CodePage cp = CodePage::Utf8;
    };
    const std::string notAllowed = ", which a new name may not hold (none of <>|*/:?;,).";
    const Case cases[] {
        {"a comma", "10 - Non, je ne regrette rien.mp3", "Non, je ne regrette rien.mp3",
         "The new name holds \",\"" + notAllowed},
        {"several, in the set's order", "a.txt", "a?b:c,d,e.txt",
         "The new name holds \":\", \"?\" and \",\"" + notAllowed},
        {"only the base counts, not the old extension", "a.b,c", "x.b,c", ""},
        {"an empty base", "a.txt", ".txt", "The new name has nothing before its extension."},
        {"an empty name", "a", "", "The new name is empty."},
        {"a trail byte of Shift-JIS", "a", "\x83\x7C", "", CodePage::Cp932},
    };
    for (const Case& c : cases)
        EXPECT_EQ(invalidNameReason(c.oldName, c.newName, c.cp), c.reason) << c.name;
}

TEST(RenameJob, ExtensionCaseOfARow)
{
    const CaseMapping lower = [](std::string s) {
        for (char& c : s)
            c = asciiLower(c);
        return s;
    };
    const CaseMapping upper = [](std::string s) {
        for (char& c : s)
            c = asciiUpper(c);
        return s;
    };
    struct Case {
        const char* name;
        std::string oldName, newName;
        std::string_view status;
        const CaseMapping& caseOf;
        std::string converted;  // the new name and status afterwards
    };
    const Case cases[] {
        {"the extension alone", "IMG_0001.JPG", "IMG_0001.JPG", kStatusSameName, lower, "IMG_0001.jpg Replace"},
        {"after the last dot", "a.TAR.GZ", "b.TAR.GZ", kStatusReplace, lower, "b.TAR.gz Replace"},
        {"upper case", "x.jpg", "x.jpg", kStatusSameName, upper, "x.JPG Replace"},
        {"unchanged stays the same", "x.jpg", "x.jpg", kStatusSameName, lower, "x.jpg Same name"},
        {"back to the old name", "a.jpg", "a.JPG", kStatusReplace, lower, "a.jpg Same name"},
        {"a first dot is no extension", "a", ".BASHRC", kStatusReplace, lower, ".BASHRC Replace"},
        {"no dot", "a", "README", kStatusReplace, lower, "README Replace"},
        {"refused rows stay", "a.JPG", "a,.JPG", kStatusInvalidName, lower, "a,.JPG Invalid name"},
    };
    for (const Case& c : cases) {
        ConfirmRow row {c.oldName, c.newName, c.status, 0, ""};
        convertRowExtension(row, c.caseOf);
        EXPECT_EQ(row.newName + " " + std::string(row.status), c.converted) << c.name;
    }
}

TEST(RenameJob, Cp932NameWithBackslashTrailByte)
{
    // 表 (0x95 0x5C) in a name: the 0x5C is no number run and no escape.
    const std::vector<JobEntry> files {{"\x95\x5C.txt", 0, "2003/01/15"}};
    const JobResult r = computeRenameRows("/x", files, JobTexts {"(.*)", "\\1\\", "9", "1"}, CodePage::Cp932);
    EXPECT_EQ(newNames(r), (Names {"\x95\x5C"
                                   "9.txt"}));
    const JobResult same = computeRenameRows("/x", files, JobTexts {"(.*)", "\\1", "9", "1"}, CodePage::Cp932);
    EXPECT_EQ(same.rows[0].status, "Same name");
    EXPECT_EQ(same.counter, 9);
    // The replacement's own 表 ends no number run in Shift-JIS; read as UTF-8 its 0x5C is one.
    const std::vector<JobEntry> plain {{"a.txt", 0, "2003/01/15"}};
    const JobTexts texts {"(.*)", "\x95\x5C\\\\", "9", "1"};
    EXPECT_EQ(newNames(computeRenameRows("/x", plain, texts, CodePage::Cp932)), (Names {"\x95\x5C"
                                                                                        "09.txt"}));
    EXPECT_EQ(newNames(computeRenameRows("/x", plain, texts, CodePage::Utf8)), (Names {"\x95"
                                                                                       "009.txt"}));
}

TEST(RenameJob, MatchErrorEndsTheJobNamingTheFile)
{
    // A match that runs into the library's match limit is no verdict on the name.
    const std::string name = std::string(40, 'a') + "c.txt";
    const std::vector<JobEntry> files {{"first.txt", 0, ""}, {name, 0, ""}};
    const std::string limited = "(*LIMIT_MATCH=1000)";
    for (const std::string& pattern : {limited + "(a+)+b|c$", limited + "^f|(a+)+b"}) {
        try {
            run(files, pattern, "x");
            ADD_FAILURE() << "no error for " << pattern;
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + name + "': match limit exceeded") << pattern;
        }
    }
    // The same failure inside the replacement loop, after a first successful match.
    const std::string laterName = "x" + std::string(30, 'a') + ".txt";
    const std::vector<JobEntry> later {{laterName, 0, ""}};
    EXPECT_THROW(run(later, limited + "x|(a+)+b", "y"), AppError);
    EXPECT_THROW(RegexReplace("x" + std::string(30, 'a'), limited + "x|(a+)+b", "y", kCaseless), MatchError);
    EXPECT_EQ(RegexMatch("zzz", limited + "(a+)+b"), kNoMatch);
}

TEST(RenameJob, NonUtf8NamesSurviveByteForByte)
{
    const std::string name = "caf\xE9\xFF.txt";
    const JobResult r = run({{name, 0, "2003/01/15"}}, "(.*)", "\\1_x");
    EXPECT_EQ(r.rows[0].oldName, name);
    EXPECT_EQ(r.rows[0].newName, "caf\xE9\xFF_x.txt");
}

TEST(RenameJob, BackslashesAndControlBytesOfTheNameStayLiteral)
{
    // Only what the replacement writes is a number run or a marker; a name's own bytes are kept.
    const std::string name = std::string("a\\b\t\x08\x08\n\x07") + "1.txt";
    const JobResult same = run({{name, 0, "2003/01/15"}}, "(.*)", "\\1");
    EXPECT_EQ(same.rows[0].status, "Same name");
    EXPECT_EQ(same.counter, 0);
    const JobResult numbered = run({{"x\\y.txt", 0, "2003/01/15"}}, "(.*)", "\\1\\\\", "3");
    EXPECT_EQ(newNames(numbered), (Names {"x\\y03.txt"}));
}

TEST(History, PromotionSwapsOrInserts)
{
    std::vector<std::string> items {"one", "two", "Three", "four"};
    promoteHistory(items, "three");
    EXPECT_EQ(items, (Names {"Three", "two", "one", "four"}));  // the found item keeps its letters
    promoteHistory(items, "five");
    EXPECT_EQ(items, (Names {"five", "Three", "two", "one", "four"}));
    promoteHistory(items, "");
    EXPECT_EQ(items.size(), 5u);
    std::vector<std::string> empty;
    promoteHistory(empty, "x");
    EXPECT_EQ(empty, (Names {"x"}));
}

TEST(RenameLoop, ResultWordsFlagAndLogInRowOrder)
{
    std::vector<ConfirmRow> rows {{"a.txt", "b.txt", "Replace", 0, ""},       {"c.txt", "c.txt", "Same name", 0, ""},
                                  {"d.txt", "d?.txt", "Invalid name", 0, ""}, {"e.txt", "e.txt", "Replace", 0, ""},
                                  {"f.txt", "g.txt", "replace", 0, ""},       {"h.txt", "taken.txt", "Replace", 0, ""}};
    std::vector<std::string> calls;
    auto rename = [&](const std::string& from, const std::string& to) {
        calls.push_back(from + "|" + to);
        errno = EACCES;  // why a failure failed; a success may leave errno set too
        return to != "taken.txt";
    };
    const RenameLoopResult r = renameRows("/data", rows, rename);
    Names results;
    for (const ConfirmRow& row : rows)
        results.emplace_back(row.result);
    EXPECT_EQ(results, (Names {"Ok", "---", "---", "File Exists", "---", "Failed"}));
    EXPECT_EQ(rows[5].error, EACCES);  // the reason a "Failed" row shows
    EXPECT_EQ(rows[0].error, 0);  // an "Ok" row has none
    EXPECT_EQ(calls, (Names {"a.txt|b.txt", "h.txt|taken.txt"}));
    EXPECT_TRUE(r.renameDone);
    ASSERT_EQ(r.log.size(), 1u);
    EXPECT_EQ(r.log[0].From, "a.txt");
    EXPECT_EQ(r.log[0].To, "b.txt");
    EXPECT_EQ(r.log[0].Folder, "/data/");
}

TEST(RenameLoop, RootFolderKeepsDoubledSeparatorInLog)
{
    std::vector<ConfirmRow> rows {{"a", "b", "Replace", 0, ""}};
    const RenameLoopResult r = renameRows("/", rows, [](auto&&...) { return true; });
    ASSERT_EQ(r.log.size(), 1u);
    EXPECT_EQ(r.log[0].Folder, "//");
    std::vector<ConfirmRow> none {{"a", "b", "Replace", 0, ""}};
    EXPECT_FALSE(renameRows("/", none, [](auto&&...) { return false; }).renameDone);
}

}  // namespace

namespace {

TEST(RenameJob, RowsCanTakeTheNamesOver)
{
    // Short names live inside the string itself, long ones on the heap: both must survive.
    const std::vector<std::string> original {"a.txt", std::string(40, 'l') + ".jpeg", "skip.me"};
    std::vector<std::string> names = original;
    const JobTexts texts {"^(a|l+)$", "x\\1", "0", "1"};
    const JobResult r = computeRenameRows(
        "/f", names.size(),
        [&](std::size_t i) {
            return JobEntry {names[i], 0, "", &names[i]};
        },
        texts, parseJobNumbers(texts));
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0].oldName, "a.txt");
    EXPECT_EQ(r.rows[0].newName, "xa.txt");
    EXPECT_EQ(r.rows[1].oldName, original[1]);
    EXPECT_EQ(r.rows[1].newName, "x" + std::string(40, 'l') + ".jpeg");
    EXPECT_EQ(names[2], "skip.me");  // a file without a row keeps its name
}

}  // namespace
