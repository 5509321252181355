#include <gtest/gtest.h>

#include "core/folder_rules.h"

using namespace moxtal;

namespace {

TEST(FolderRules, NamesFoldAsTheFolderComparesThem)
{
    using F = CaseFolding;
    struct Case {
        const char* name;
        CaseFolding folding;
        std::string a;
        std::string b;
        bool same;
    };
    const Case cases[] = {
        {"bytes: case tells names apart", F::None, "Photo.JPG", "photo.JPG", false},
        {"ASCII letters", F::Simple, "Photo.JPG", "pHOTO.jpg", true},
        {"digits and marks stay", F::Simple, "a1-b", "a1_b", false},
        {"Latin-1 letters", F::Simple, "CAFÉ", "café", true},
        {"Latin Extended-A", F::Simple, "ŁÓDŹ", "łódź", true},
        {"Greek with tonos", F::Simple, "ΣΟΦΊΑ", "σοφία", true},
        {"Cyrillic", F::Simple, "ЖУК", "жук", true},
        {"fullwidth letters", F::Simple, "ＡＢＣ", "ａｂｃ", true},
        {"dotless i upper-cases to I", F::Simple, "ı", "I", true},
        {"composed and decomposed differ on FAT", F::Simple, "é", "e\u0301", false},
        {"sharp s is one letter on FAT", F::Simple, "STRASSE", "straße", false},
        {"beyond the BMP, FAT does not fold", F::Simple, "\U00010400", "\U00010428", false},
        {"not UTF-8: ASCII letters fold", F::Simple, "A\xff", "a\xff", true},
        {"casefold: ASCII letters", F::Casefold, "Photo.JPG", "photo.jpg", true},
        {"casefold: composed and decomposed", F::Casefold, "É.txt", "e\u0301.txt", true},
        {"casefold: sharp s is ss", F::Casefold, "STRASSE", "straße", true},
        {"casefold: Hangul syllable and jamo", F::Casefold, "한", "\u1112\u1161\u11AB", true},
        {"casefold: voiced kana", F::Casefold, "が", "か\u3099", true},
        {"casefold: angstrom sign", F::Casefold, "\u212B", "å", true},
        {"casefold: beyond the BMP", F::Casefold, "\U00010400", "\U00010428", true},
        {"casefold: different accents", F::Casefold, "é", "è", false},
        {"casefold: not UTF-8 keeps its bytes", F::Casefold, "A\xff", "a\xff", false},
    };
    for (const Case& c : cases) {
        FolderRules rules;
        rules.folding = c.folding;
        EXPECT_EQ(foldedName(rules, c.a) == foldedName(rules, c.b), c.same) << c.name;
    }
}

TEST(FolderRules, Utf16LengthCountsSurrogatePairsTwice)
{
    constexpr std::size_t kNotUtf8 = std::string_view::npos;
    struct Case {
        const char* name;
        std::string text;
        std::size_t units;
    };
    const Case cases[] = {
        {"ASCII", "abc.txt", 7},
        {"two-byte letters", "éé", 2},
        {"three-byte letters", "日本", 2},
        {"four-byte character", "😀", 2},
        {"empty", "", 0},
        {"stray continuation byte", "a\x80", kNotUtf8},
        {"overlong slash", "\xc0\xaf", kNotUtf8},
        {"surrogate", "\xed\xa0\x80", kNotUtf8},
        {"cut short", "\xe6\x97", kNotUtf8},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", kNotUtf8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf16Length(c.text), c.units) << c.name;
}

}  // namespace
