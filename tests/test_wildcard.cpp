#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/wildcard.h"

using namespace moxtal;

namespace {

TEST(FilterMasks, CutAtEverySemicolonKeepingBlanksAndEmpties)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(splitFilterMasks("a;b;c"), (V {"a", "b", "c"}));
    EXPECT_EQ(splitFilterMasks("*.jpg;"), (V {"*.jpg", ""}));
    EXPECT_EQ(splitFilterMasks(""), (V {""}));
    EXPECT_EQ(splitFilterMasks(" *.txt ;;x"), (V {" *.txt ", "", "x"}));
}

TEST(Wildcard, MatchesAsTheFileListExpects)
{
    EXPECT_TRUE(wildcardMatch("*.*", "README"));
    EXPECT_TRUE(wildcardMatch("*.JPG", "photo.jpg"));
    EXPECT_TRUE(wildcardMatch("p?oto.*", "photo.jpeg"));
    EXPECT_TRUE(wildcardMatch("photo.*", "photo"));
    EXPECT_TRUE(wildcardMatch("?.txt", "\xE3\x81\x82.txt"));  // "?" is one letter, not one byte
    EXPECT_TRUE(wildcardMatch("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(wildcardMatch("", "a"));
    EXPECT_FALSE(wildcardMatch("*.txt", "a.txt.bak"));
    EXPECT_FALSE(wildcardMatch("?", "ab"));
    EXPECT_FALSE(wildcardMatch(" *.txt", "a.txt"));
}

}  // namespace
