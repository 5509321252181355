#include <gtest/gtest.h>

#include <random>

#include "platform/name_text.h"

using namespace moxtal;

namespace {

// Names, boxes and histories pass through displayText and bytesOfText: no byte may change.
TEST(DisplayText, BytesThatAreNotUtf8SurviveEveryEdit)
{
    struct Case {
        const char* name;
        std::string bytes;
        QString text;
    };
    const std::vector<Case> cases {
        {"ASCII", "a.txt", QStringLiteral("a.txt")},
        {"UTF-8", "caf\xC3\xA9 \xF0\x9F\x93\xB7", QStringLiteral(u"café 📷")},
        {"a stray byte", "\xFF.txt", QString(QChar(0xDCFF)) + QStringLiteral(".txt")},
        {"Latin-1", "caf\xE9", QStringLiteral("caf") + QChar(0xDCE9)},
        {"a cut sequence", "\xC3", QString(QChar(0xDCC3))},
        {"an encoded surrogate", "\xED\xA0\x80", QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},
        {"an overlong NUL", "\xC0\x80", QString(QChar(0xDCC0)) + QChar(0xDC80)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayText(c.bytes), c.text) << c.name;
        EXPECT_EQ(bytesOfText(c.text), c.bytes) << c.name;
        // Typing beside the stray bytes keeps them.
        EXPECT_EQ(bytesOfText(displayText(c.bytes) + QStringLiteral("_2")), c.bytes + "_2") << c.name;
    }
    // A lone surrogate the user somehow typed is no byte of ours: U+FFFD.
    EXPECT_EQ(bytesOfText(QString(QChar(0xD800))), "\xEF\xBF\xBD");

    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 12);
    for (int trial = 0; trial < 5000; ++trial) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& b : bytes)
            b = static_cast<char>(byte(random));
        ASSERT_EQ(bytesOfText(displayText(bytes)), bytes);
    }
}

// The case buttons and the comparisons of names: Unicode for UTF-8, ASCII letters only otherwise.
TEST(NameCase, UnicodeForUtf8AndAsciiLettersForOtherBytes)
{
    struct Case {
        const char* name;
        std::string text;
        std::string upper;
        std::string lower;
    };
    const std::vector<Case> cases {
        {"ASCII", "Photo.jpg", "PHOTO.JPG", "photo.jpg"},
        {"accents", "caf\xC3\xA9.Txt", "CAF\xC3\x89.TXT", "caf\xC3\xA9.txt"},
        {"Greek", "\xCE\xB1\xCE\x92", "\xCE\x91\xCE\x92", "\xCE\xB1\xCE\xB2"},
        {"not UTF-8: only ASCII letters change", "a\xE9Z", "A\xE9Z", "a\xE9z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUpperName(c.text), c.upper) << c.name;
        EXPECT_EQ(toLowerName(c.text), c.lower) << c.name;
        EXPECT_TRUE(equalsIgnoringCase(c.upper, c.lower)) << c.name;
    }
    EXPECT_FALSE(equalsIgnoringCase("a.txt", "b.txt"));
    EXPECT_FALSE(equalsIgnoringCase("\xE9", "\xC9"));  // bytes that are not UTF-8 compare as they are
}

}  // namespace
