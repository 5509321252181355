#include <gtest/gtest.h>

#include "core/codepage.h"

using namespace moxtal;

TEST(CodePage, Cp932SearchesSkipTrailBytes)
{
    const std::string text = "a\x95\x5C"
                             "b\\c";
    EXPECT_EQ(findChar(text, '\\', CodePage::Cp932), 4u);
    EXPECT_EQ(findChar(text, '\\', CodePage::Utf8), 2u);
    EXPECT_EQ(findLastChar("\x95\x5C", '\\', CodePage::Cp932), std::string::npos);
    // A lead byte at the very end stands alone.
    EXPECT_EQ(findChar("\\\x95", '\\', CodePage::Cp932), 0u);
    EXPECT_EQ(findAnyChar("\x81\x3F"
                          "x?",
                          "?", CodePage::Cp932),
              3u);
}

TEST(CodePage, Utf8Validity)
{
    for (const char* valid :
         {"", "abc", "\xC2\x80", "\xE3\x81\x82", "\xED\x9F\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(isValidUtf8(valid)) << valid;
    // Stray continuation, overlong forms, a surrogate, beyond U+10FFFF, cut short, 0xFF.
    for (const char* bad : {"\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "a\xE3\x81", "\xFF", "\x82\xA0"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}
