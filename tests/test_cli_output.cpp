#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "cli/output.h"

using namespace moxtal;

namespace {

void expectRoundTrip(const std::string& bytes)
{
    const std::string field = escapeField(bytes);
    // No control byte reaches the terminal.
    EXPECT_TRUE(std::none_of(field.begin(), field.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }));
    const std::optional<std::string> back = unescapeField(field);
    ASSERT_TRUE(back.has_value()) << field;
    EXPECT_EQ(*back, bytes);
}

TEST(CliOutput, EscapesAreDistinct)
{
    // A name holding a backslash and "t" must not print like one holding a TAB.
    EXPECT_EQ(escapeField("a\\tb"), "a\\\\tb");
    EXPECT_EQ(escapeField("a\tb"), "a\\tb");
    EXPECT_EQ(escapeField("\r\n\\"), "\\r\\n\\\\");
    EXPECT_EQ(escapeField("\xFF\x95\x5C"), "\xFF\x95\\\\");
    EXPECT_EQ(escapeField("\x1B[2J\x7F\x01"), "\\x1B[2J\\x7F\\x01");
    EXPECT_FALSE(unescapeField("a\\").has_value());
    for (const char* bad : {"\\x", "\\x1", "\\x1g", "\\x1b", "\\q"})
        EXPECT_FALSE(unescapeField(bad).has_value()) << bad;
}

TEST(CliOutput, EveryByteSequenceRoundTrips)
{
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b)
            expectRoundTrip({static_cast<char>(a), static_cast<char>(b)});
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
    // Mostly the bytes that escaping is about, so that runs of them meet.
    const std::string special = "\\\t\r\ntnrx1B\x1B\x7F";
    for (int trial = 0; trial < 20000; ++trial) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes)
            c = byte(random) < 128 ? special[static_cast<std::size_t>(byte(random)) % special.size()]
                                   : static_cast<char>(byte(random));
        expectRoundTrip(bytes);
    }
}

}  // namespace
