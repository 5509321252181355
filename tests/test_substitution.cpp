#include <gtest/gtest.h>

#include <ostream>

#include "core/regular_expression.h"

using namespace moxtal;

namespace {

struct ReplaceCase {
    const char* name;
    std::string pattern;
    std::string replacement;
    std::string subject;
    std::string expected;
};

// A row prints as its name, not as a dump of its bytes.
void PrintTo(const ReplaceCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReplaceTable : public testing::TestWithParam<ReplaceCase> { };

TEST_P(ReplaceTable, GivesExpectedText)
{
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(RegexReplace(c.subject, c.pattern, c.replacement, kCaseless), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Substitution, ReplaceTable,
                         testing::Values(ReplaceCase {"DefaultsKeepText", "(.*)", "\\1", "abc", "abc"},
                                         ReplaceCase {"CaretMatchesAfterEachReplacement", "^a", "b", "aaa", "bbb"},
                                         ReplaceCase {"EmptyReplacementDeletes", "a", "", "banana", "bnn"},
                                         ReplaceCase {"EmptyMatchAtStartStops", "x*", "-", "abc", "abc"},
                                         ReplaceCase {"DollarAppends", "$", "X", "abc", "abcX"},
                                         ReplaceCase {"UnsetGroupYieldsNothing", "(a)|(b)", "[\\1\\2]", "ab", "[a][b]"},
                                         ReplaceCase {"GroupsAboveFourAreEmpty", "(a)(b)", "\\5\\2\\9\\1", "ab", "ba"},
                                         ReplaceCase {"ResultCodeZeroEndsLoop", "(a)(b)(c)(d)(e)", "\\1", "abcde",
                                                      "abcde"},
                                         ReplaceCase {"CaselessMatch", "ABC", "x", "abcABC", "xx"},
                                         ReplaceCase {"EmptySubjectUnchanged", "(.*)", "zz", "", ""},
                                         ReplaceCase {"DoubleBackslashThenReference", "(b)", "\\\\1", "abc", "a\\bc"},
                                         ReplaceCase {"BackslashZeroStays", "b", "\\0", "abc", "a\\0c"},
                                         ReplaceCase {"TrailingBackslashStays", "b", "x\\", "abc", "ax\\c"},
                                         ReplaceCase {"DateMarkerLeft", "b", "\\d", "abc",
                                                      "a\x08\x08"
                                                      "c"},
                                         ReplaceCase {"DateTimeMarkerLeft", "b", "\\D", "abc",
                                                      "a\x09\x09"
                                                      "c"},
                                         ReplaceCase {"FolderMarkerLeft", "b", "\\f", "abc",
                                                      "a\x0A\x0A"
                                                      "c"},
                                         ReplaceCase {"GroupTextHoldingMarkerByteNotExpanded", "(.)", "\\1\\1",
                                                      "\x07"
                                                      "1",
                                                      "\x07\x07"
                                                      "11"},
                                         ReplaceCase {"PieceIsNeverSearchedAgain", "a", "aa", "aa", "aaaa"},
                                         ReplaceCase {"NoMatchUnchanged", "q", "x", "abc", "abc"},
                                         ReplaceCase {"ByteMatchingOfMultibyte", ".", "x", "\xE3\x81\x82", "xxx"},
                                         // More than the machine code's stack holds: the interpreter matches.
                                         ReplaceCase {"InterpreterWhenMachineCodeStackRunsOut", "(a|b)*", "x",
                                                      std::string(300'000, 'a'), "x"}),
                         [](const testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

TEST(RegexMatch, ReturnsResultCodeUnchanged)
{
    EXPECT_EQ(RegexMatch("abc", "(.*)"), 2);
    EXPECT_EQ(RegexMatch("abc", "b"), 1);
    EXPECT_EQ(RegexMatch("abcde", "(a)(b)(c)(d)(e)"), 0);  // a match: the offsets were too few
    EXPECT_LT(RegexMatch("abc", "q"), 0);
    EXPECT_GE(RegexMatch("", ""), 0);
    EXPECT_GE(RegexMatch("ABC", "abc"), 0);
}

TEST(RegexErrors, CompileFailureCarriesLibraryMessage)
{
    try {
        RegexMatch("abc", "(");
        FAIL() << "no error raised";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("missing closing parenthesis"), std::string::npos) << e.what();
    }
    EXPECT_THROW(RegexReplace("abc", "(", "x", kCaseless), AppError);
}

TEST(RegexErrors, RawMarkerWithoutDigitIsSubPatternError)
{
    try {
        RegexReplace("abc", "b", std::string("\x07") + "x", kCaseless);
        FAIL() << "no error raised";
    } catch (const AppError& e) {
        EXPECT_STREQ(e.what(), "sub pattern error");
    }
    EXPECT_THROW(RegexReplace("abc", "b", "\x07", kCaseless), AppError);
}

TEST(TranslateReplacement, EscapesBecomeMarkers)
{
    EXPECT_EQ(TranslateReplacement("\\1\\9"), "\x07"
                                              "1\x07"
                                              "9");
    EXPECT_EQ(TranslateReplacement("\\\\d"), "\\\x08\x08");
    EXPECT_EQ(TranslateReplacement("\\0\\n\\"), "\\0\\n\\");
    EXPECT_EQ(TranslateReplacement(std::string("a\0b", 3)), "a");
}

TEST(TranslateReplacement, Cp932TrailBackslashIsNoEscape)
{
    // 0x95 0x5C is one double-byte character whose second byte is the backslash byte.
    const std::string hyou = "\x95\x5C";
    EXPECT_EQ(TranslateReplacement(hyou + "1", CodePage::Cp932), hyou + "1");
    EXPECT_EQ(TranslateReplacement(hyou + "\\1", CodePage::Cp932), hyou + "\x07"
                                                                          "1");
    // Read as UTF-8 (where 0x95 is no lead byte) the same bytes hold an escape.
    EXPECT_EQ(TranslateReplacement(hyou + "1", CodePage::Utf8), "\x95\x07"
                                                                "1");
}

}  // namespace
