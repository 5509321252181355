#include <gtest/gtest.h>

#include "core/settings_format.h"
#include "core/text_lines.h"

using namespace moxtal;

namespace {

using Lines = std::vector<std::string>;
using F = MainCfgField;

MainSettings sample()
{
    MainSettings s;
    s.main = {-5, -20, 510, 416};
    s.pattern = "(\\d+)";
    s.replacement = "IMG_\\\\\\";
    s.filter = "*.jpg;*.png";
    s.folder = "/home/u/写真";
    s.patternHistory = {"a", "", "--- ", "----"};
    s.replacementHistory = {};
    s.fileListWidth = 370;
    s.report = {100, 200, 456, 404};
    s.clipPatternHistory = {"^abc"};
    s.clipReplacementHistory = {"xyz", "\xFF\xFE"};
    s.clip = {0, 0, 340, 170};
    return s;
}

void expectSame(const MainSettings& a, const MainSettings& b)
{
    auto bounds = [](const WindowBounds& w) { return std::vector<int> {w.top, w.left, w.width, w.height}; };
    EXPECT_EQ(bounds(a.main), bounds(b.main));
    EXPECT_EQ(a.pattern, b.pattern);
    EXPECT_EQ(a.replacement, b.replacement);
    EXPECT_EQ(a.filter, b.filter);
    EXPECT_EQ(a.folder, b.folder);
    EXPECT_EQ(a.patternHistory, b.patternHistory);
    EXPECT_EQ(a.replacementHistory, b.replacementHistory);
    EXPECT_EQ(a.fileListWidth, b.fileListWidth);
    EXPECT_EQ(bounds(a.report), bounds(b.report));
    EXPECT_EQ(a.clipPatternHistory, b.clipPatternHistory);
    EXPECT_EQ(a.clipReplacementHistory, b.clipReplacementHistory);
    EXPECT_EQ(bounds(a.clip), bounds(b.clip));
}

TEST(MainCfg, WritesTheFullFormAndReadsItBack)
{
    const std::string text = writeMainCfg(sample());
    EXPECT_EQ(
        text.rfind(
            "-5\r\n-20\r\n510\r\n416\r\n(\\d+)\r\nIMG_\\\\\\\r\n*.jpg;*.png\r\n/home/u/写真\r\na\r\n\r\n--- \r\n", 0),
        0u);
    EXPECT_EQ(linesOf(text).size(), 21u + 4 + 0 + 1 + 2);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const MainCfgRead read = readMainCfg(text);
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.reached, F::End);
    expectSame(read.values, sample());
    EXPECT_EQ(writeMainCfg(read.values), text);

    // Empty histories: the markers follow the folder line directly.
    MainSettings empty;
    EXPECT_EQ(linesOf(writeMainCfg(empty))[8], "---");
    EXPECT_EQ(linesOf(writeMainCfg(empty))[9], "---");
}

TEST(MainCfg, WhatOneLineCannotHoldIsMadeToFit)
{
    MainSettings s = sample();
    for (int i = 0; i < 25; ++i)
        s.replacementHistory.push_back("r" + std::to_string(i));
    s.patternHistory = {"x", "---", "y\r\nz", "nul\0byte"};
    s.patternHistory[3] = std::string("nul\0byte", 8);
    s.pattern = "two\nlines";
    s.folder = "/home/u/odd\nname/sub";
    const MainCfgRead read = readMainCfg(writeMainCfg(s));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.values.replacementHistory.size(), 20u);
    EXPECT_EQ(read.values.replacementHistory.back(), "r19");
    EXPECT_EQ(read.values.patternHistory, (Lines {"x", "y z", "nul byte"}));  // "---" left out
    EXPECT_EQ(read.values.pattern, "two lines");
    EXPECT_EQ(read.values.folder, "/home/u");
    EXPECT_EQ(read.values.fileListWidth, 370);  // everything after stays in its place
    EXPECT_EQ(read.values.clipReplacementHistory, sample().clipReplacementHistory);
}

TEST(MainCfg, TheThreeAcceptedLengths)
{
    const Lines all = linesOf(writeMainCfg(sample()));
    auto head = [&](std::size_t count) {
        return textOfLines(Lines(all.begin(), all.begin() + static_cast<long>(count)));
    };
    const std::size_t headLength = 8 + 4 + 1 + 0 + 1;
    MainCfgRead read = readMainCfg(head(headLength));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.reached, F::FileListWidth);
    EXPECT_EQ(read.values.patternHistory, sample().patternHistory);
    read = readMainCfg(head(headLength + 1));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.reached, F::ReportTop);
    EXPECT_EQ(read.values.fileListWidth, 370);
    EXPECT_EQ(read.values.report.width, 0);  // not read

    // Every other cut ends the read with the list's index error at the missing line.
    for (std::size_t count = 0; count < all.size(); ++count) {
        if (count == headLength || count == headLength + 1)
            continue;
        read = readMainCfg(head(count));
        EXPECT_EQ(read.error, "リストのインデックスが範囲を超えています (" + std::to_string(count) + ")") << count;
        EXPECT_NE(read.reached, F::End);
    }
    // A line break of either kind, a last line without one, and a zero byte that ends the text.
    read = readMainCfg("1\n2\r3\r\n4\r\np\r\nr\nf\rd\n---\n---");
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.values.main.height, 4);
    EXPECT_EQ(read.values.folder, "d");
    read = readMainCfg(std::string("1\r\n2\r\n3\r\n4\0\r\n", 11));
    EXPECT_EQ(read.values.main.height, 4);
    EXPECT_EQ(read.error, "リストのインデックスが範囲を超えています (4)");
}

TEST(MainCfg, NonIntegerAtEachNumberLine)
{
    const Lines all = linesOf(writeMainCfg(sample()));
    const std::vector<std::pair<std::size_t, F>> numbers {
        {0, F::MainTop},       {3, F::MainHeight}, {14, F::FileListWidth}, {15, F::ReportTop},
        {18, F::ReportHeight}, {24, F::ClipTop},   {27, F::ClipHeight}};
    ASSERT_EQ(all.size(), 28u);
    for (const auto& [line, field] : numbers) {
        Lines damaged = all;
        damaged[line] = "12px";
        const MainCfgRead read = readMainCfg(textOfLines(damaged));
        EXPECT_EQ(read.error, "'12px' は整数ではありません") << line;
        EXPECT_EQ(read.reached, field) << line;  // everything before it was read
    }
}

TEST(Presets, RegisterFindsThePairOrAppends)
{
    PresetStore store;
    registerPreset(store, {"dates", "(\\d+)", "x"});
    registerPreset(store, {"other", "(\\D+)", "x"});
    registerPreset(store, {"renamed", "(\\d+)", "x"});  // same pair: new comment, same place
    registerPreset(store, {"dates", "(\\D+)", "y"});  // same comment, new pair
    registerPreset(store, {"case", "(\\d+)", "X"});  // letter case makes another pair
    EXPECT_EQ(store, (Lines {"renamed", "(\\d+)", "x", "other", "(\\D+)", "x", "dates", "(\\D+)", "y", "case", "(\\d+)",
                             "X"}));
    EXPECT_EQ(presetCount(store), 4u);
    EXPECT_EQ(presetAt(store, 2).replacement, "y");
    EXPECT_EQ(readMainCfg("").error, "リストのインデックスが範囲を超えています (0)");

    // A hand-edited store of four lines: the incomplete group still counts and reads as empty
    // texts; a registration completes it first, so the groups stay aligned.
    PresetStore edited {"c", "p", "r", "lone comment"};
    EXPECT_EQ(presetCount(edited), 2u);
    EXPECT_EQ(presetAt(edited, 1).pattern, "");
    registerPreset(edited, {"new", "a\nb", "c"});
    EXPECT_EQ(edited, (Lines {"c", "p", "r", "lone comment", "", "", "new", "a b", "c"}));
    registerPreset(edited, {"again", "a\nb", "c"});  // found again by its stored form
    EXPECT_EQ(edited.size(), 9u);
    EXPECT_EQ(edited[6], "again");
    EXPECT_EQ(writePresetStore({"a", "b\nc", ""}), "a\r\nb c\r\n\r\n");
}

}  // namespace
