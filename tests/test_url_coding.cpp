#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/url_coding.h"

using namespace moxtal;

namespace {

TEST(UrlCoding, Encode)
{
    EXPECT_EQ(URLEncode(""), "");
    EXPECT_EQ(URLEncode("a b/c"), "a+b%2Fc");
    EXPECT_EQ(URLEncode("azAZ09"), "azAZ09");
    EXPECT_EQ(URLEncode("-_.*~\n"), "%2D%5F%2E%2A%7E%0A");
    EXPECT_EQ(URLEncode("\xAB\xE3\x81\x82"), "%AB%E3%81%82");  // upper-case digits, one group per byte
    EXPECT_EQ(URLEncode(std::string(1, '\0')), "%00");
    const std::string big(3 * 1024 * 1024, '/');  // every byte of a long input is encoded
    const std::string encoded = URLEncode(big);
    EXPECT_EQ(encoded.size(), big.size() * 3);
    EXPECT_EQ(encoded.substr(encoded.size() - 3), "%2F");
}

TEST(UrlCoding, Decode)
{
    const std::vector<std::pair<std::string, std::string>> good {
        {"", ""},          {"a+b%2Fc", "a b/c"}, {"%ab%AB", "\xAB\xAB"},        {"%2f%ff", "/\xFF"},
        {"x%4", "x\x04"},  {"%2B", "+"},         {"%E3%81%82", "\xE3\x81\x82"}, {"a%00b", std::string("a\0b", 3)},
        {"plain", "plain"}};
    for (const auto& [in, out] : good) {
        EXPECT_EQ(tryURLDecode(in), out) << in;
        EXPECT_EQ(URLDecode(in), out) << in;
    }
    const std::vector<std::pair<std::string, std::string>> bad {
        {"100%", "$"}, {"%zz", "$zz"}, {"%4G", "$4G"}, {"% 1", "$ 1"}, {"a%+1", "$+1"}, {"%g", "$g"}, {"%-1", "$-1"}};
    for (const auto& [in, converted] : bad) {
        UrlDecodeFailure failure;
        EXPECT_FALSE(tryURLDecode(in, &failure).has_value()) << in;
        EXPECT_EQ(failure.convertedText, converted) << in;
        EXPECT_EQ(URLDecode(in), in);  // the input comes back unchanged
    }
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(URLDecode(URLEncode(all)), all);
}

}  // namespace
