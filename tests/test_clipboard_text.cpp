#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "core/clipboard_pass.h"
#include "core/clipboard_watch.h"
#include "core/regular_expression.h"
#include "core/url_coding.h"

using namespace moxtal;

namespace {

using Lines = std::vector<std::string>;

TEST(ClipboardText, LinesAndTheirText)
{
    EXPECT_EQ(linesOf(""), Lines {});
    EXPECT_EQ(linesOf("abc"), Lines {"abc"});
    EXPECT_EQ(linesOf("a\r\nb\rc\nd\r\n"), (Lines {"a", "b", "c", "d"}));
    EXPECT_EQ(linesOf("a\n\nb"), (Lines {"a", "", "b"}));
    EXPECT_EQ(linesOf("\r\n"), Lines {""});
    EXPECT_EQ(linesOf(std::string("ab\0cd", 5)), Lines {"ab"});
    EXPECT_EQ(textOfLines({}), "");
    EXPECT_EQ(textOfLines({"a", ""}), "a\r\n\r\n");
}

std::string encodeOrDecode(const std::string& line, UrlStep step)
{
    return step == UrlStep::Encode ? URLEncode(line) : URLDecode(line);
}

TEST(ClipboardText, PassOutcomes)
{
    auto run = [](Lines source, const char* pattern, const char* replacement, UrlStep step = UrlStep::NotCare) {
        return runClipboardPass(source, pattern, replacement, step, encodeOrDecode);
    };
    ClipboardPass p = run({"abc"}, "(.*)", "\\1");
    EXPECT_TRUE(p.matched);
    EXPECT_FALSE(p.changed);
    p = run({"abc123"}, "^abc", "xyz");
    EXPECT_TRUE(p.changed);
    EXPECT_EQ(p.resultLines, Lines {"xyz123"});
    p = run({"xyz123"}, "^abc", "xyz");
    EXPECT_FALSE(p.matched);
    EXPECT_EQ(p.resultLines, Lines {"xyz123"});
    EXPECT_TRUE(run({"ABC"}, "abc", "x").changed);  // letter case ignored
    EXPECT_FALSE(run({}, "(.*)", "\\1").changed);
    p = run({"a+b%21"}, "(.*)", "\\1", UrlStep::Decode);
    EXPECT_EQ(p.resultLines, Lines {"a b!"});
    EXPECT_TRUE(p.changed);
    p = run({"100%", "x%41"}, "(.*)", "\\1", UrlStep::Decode);  // line by line; a bad line stays
    EXPECT_EQ(p.resultLines, (Lines {"100%", "xA"}));
    EXPECT_FALSE(run({"abc123"}, "(.*)", "\\1", UrlStep::Encode).changed);
    // A decode to bytes that are not UTF-8 (Shift-JIS) stays as it was; a valid one is taken.
    p = run({"%82%A0", "%E3%81%82"}, "(.*)", "\\1", UrlStep::Decode);
    EXPECT_EQ(p.resultLines, (Lines {"%82%A0", "\xE3\x81\x82"}));
    p = run({"ab"}, "b", "\\f");  // the folder marker's two line feeds split the line
    EXPECT_EQ(p.resultLines, (Lines {"a", "", ""}));
    p = run({"ab"}, "b", "\\d\\D");
    EXPECT_EQ(p.resultLines, Lines {"a\x08\x08\x09\x09"});
    EXPECT_THROW(run({"a"}, "(", "x"), AppError);
    EXPECT_THROW(run({"a"}, "a", "\x07"), AppError);
    EXPECT_THROW(run({std::string(40, 'a') + "c"}, "(*LIMIT_MATCH=1000)(a+)+b|c$", "x"), AppError);
}

// The bytes taken from the heap on this thread while a count is set: a loop that copies the rest
// of the text or its result at every match shows there.
thread_local std::size_t* g_heapBytes = nullptr;

TEST(ClipboardText, ReplacementIsLinearInTheText)
{
    // Four times the matches cost about four times the work (sixteen if the loop were quadratic):
    // the bytes taken from the heap and the text handed to the interpreter.
    const auto work = [](std::size_t n) {
        const std::string text(n, 'a');
        std::size_t heap = 0;
        const std::size_t interpreted = interpretedBytes();
        g_heapBytes = &heap;
        const std::size_t size = RegexReplace(text, "a", "bc", kCaseless).size();
        g_heapBytes = nullptr;
        EXPECT_EQ(size, 2 * n);
        return heap + interpretedBytes() - interpreted;
    };
    const std::size_t small = work(25'000), large = work(100'000);
    EXPECT_LT(large, 5 * small) << small << " for n, " << large << " for 4n";
    EXPECT_EQ(RegexReplace("a-a", "(a)", "[\\1]", kCaseless), "[a]-[a]");
}

TEST(ClipboardWatch, WhatEachNoticeDoes)
{
    using K = WatchEventKind;
    using A = WatchAction;
    using S = ClipboardWatchState;
    // Watching, handling, a notice pending, the last text written.
    const S idle {true, false, false, {}}, busy {true, true, false, {}}, waiting {true, true, true, {}};
    const S wrote {true, true, false, "aa\r\n"}, idleWrote {true, false, false, "aa\r\n"};
    const std::string lost = "abc\xEF\xBF\xBD";  // U+FFFD where a byte was not UTF-8
    struct Row {
        const char* name;
        S before;
        WatchEvent event;
        S after;
        A action;
    };
    const Row rows[] = {
        {"shown: it starts watching", {}, {K::Shown}, idle, A::Connect},
        {"shown while watching", idle, {K::Shown}, idle, A::None},
        {"closed: it stops watching and forgets its write", idleWrote, {K::Closed}, {}, A::Disconnect},
        {"closed while not watching", {}, {K::Closed}, {}, A::None},
        {"a notice while not watching", {}, {K::Notice}, {}, A::None},
        {"a notice starts a handling", idle, {K::Notice}, busy, A::Handle},
        {"a notice during a handling or its error box waits", busy, {K::Notice}, waiting, A::None},
        {"notices that waited run once", waiting, {K::Notice}, waiting, A::None},
        {"the handling ends", busy, {K::HandlingEnded}, idle, A::None},
        {"the handling ends with a notice waiting", waiting, {K::HandlingEnded}, busy, A::Handle},
        {"Retry forgets the write and writes the source", wrote, {K::Retry}, busy, A::WriteSource},
        {"no match", busy, {K::Passed, "abc", true, false, false}, busy, A::ShowNatMatch},
        {"the same string", busy, {K::Passed, "abc", true, true, false}, busy, A::ShowSameString},
        {"a change is written", busy, {K::Passed, "a", true, true, true}, busy, A::WriteResult},
        {"the write is kept", busy, {K::Written, "aa\r\n"}, wrote, A::None},
        {"own text changing again: stop", wrote, {K::Passed, "aa\r\n", true, true, true}, wrote, A::ShowChainStopped},
        {"its own text unchanged", wrote, {K::Passed, "aa\r\n", true, true, false}, wrote, A::ShowSameString},
        {"a text from outside after a write", wrote, {K::Passed, "xa", true, true, true}, wrote, A::WriteResult},
        {"decoded with U+FFFD: left as it is", busy, {K::Passed, lost, false, true, true}, busy, A::ShowNotUtf8},
        {"exact bytes with U+FFFD are written", busy, {K::Passed, lost, true, true, true}, busy, A::WriteResult},
        {"decoded without U+FFFD is written", busy, {K::Passed, "abc", false, true, true}, busy, A::WriteResult},
    };
    for (const Row& row : rows) {
        const WatchDecision decision = decideWatch(row.before, row.event);
        EXPECT_EQ(decision.state, row.after) << row.name;
        EXPECT_EQ(decision.action, row.action) << row.name;
    }
    // A result is written up to its first zero byte, and never beyond 64 MiB.
    EXPECT_EQ(clipboardWritableText(std::string("a\0b", 3)), "a");
    EXPECT_EQ(clipboardWritableText(std::string(kMaxClipboardWrite, 'x')).size(), kMaxClipboardWrite);
    EXPECT_THROW(clipboardWritableText(std::string(kMaxClipboardWrite + 1, 'x')), AppError);
}

}  // namespace

// Replaced for the count above; none of them is inlined, so that the compiler never pairs std::free
// with an operator new it knows.
[[gnu::noinline]] void* operator new(std::size_t size)
{
    if (g_heapBytes)
        *g_heapBytes += size;
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* memory) noexcept
{
    std::free(memory);
}

[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
