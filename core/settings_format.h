#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace moxtal {

// Top, left, width and height of a window, in the order the settings file holds them.
struct WindowBounds {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
};

// Everything main.cfg holds.
struct MainSettings {
    WindowBounds main;
    std::string pattern;
    std::string replacement;
    std::string filter;
    std::string folder;
    std::vector<std::string> patternHistory;
    std::vector<std::string> replacementHistory;
    int fileListWidth = 0;
    WindowBounds report;
    std::vector<std::string> clipPatternHistory;
    std::vector<std::string> clipReplacementHistory;
    WindowBounds clip;
};

// The values of main.cfg in the order they are read.
enum class MainCfgField {
    MainTop,
    MainLeft,
    MainWidth,
    MainHeight,
    Pattern,
    Replacement,
    Filter,
    Folder,
    PatternHistory,
    ReplacementHistory,
    FileListWidth,
    ReportTop,
    ReportLeft,
    ReportWidth,
    ReportHeight,
    ClipPatternHistory,
    ClipReplacementHistory,
    ClipTop,
    ClipLeft,
    ClipWidth,
    ClipHeight,
    End
};

// What a read of main.cfg got before it ended: the fields before reached were read whole; the
// history at reached (if it is one) holds the items read before the file failed.
struct MainCfgRead {
    MainSettings values;
    MainCfgField reached = MainCfgField::MainTop;
    std::string error;  // empty when the file ended at one of its three accepted lengths

    bool has(MainCfgField field) const { return field < reached; }
    bool started(MainCfgField field) const { return field <= reached; }
};

// The history marker line.
inline constexpr std::string_view kHistoryMarker = "---";
// How many items of each history main.cfg keeps.
inline constexpr std::size_t kStoredHistoryItems = 20;

// Reads main.cfg: the head alone (bounds, three texts, folder, the two histories), the head and
// the file list width, or the full form. A file that ends early or lacks a marker ends the read
// with "リストのインデックスが範囲を超えています (<index>)", a number line that is not an integer
// with "'<text>' は整数ではありません".
MainCfgRead readMainCfg(std::string_view text);

// Writes the full form, every line ending with CR LF. What one line cannot hold is made to fit, so
// that the file always reads back with every other value in its place: a line break or zero byte
// in a text or a history item becomes a blank, a history item that is exactly "---" is left out,
// and a folder whose path holds a line break is written as its nearest ancestor without one. At
// most the first 20 items of each history are written.
std::string writeMainCfg(const MainSettings& settings);

// The preset store: pattern.cfg's lines, three per preset (comment, pattern, replacement).
using PresetStore = std::vector<std::string>;

struct Preset {
    std::string comment;
    std::string pattern;
    std::string replacement;
};

// The number of menu entries the store gives: an incomplete last group (a hand-edited file) still
// gets one.
std::size_t presetCount(const PresetStore& store);

// Preset n; lines that the store lacks read as empty texts.
Preset presetAt(const PresetStore& store, std::size_t n);

// Registers a pair: an existing preset with exactly this pattern and replacement gets the new
// comment and keeps its place; otherwise the preset is appended. An incomplete last group is first
// completed with empty lines, so the groups of three never slip. Values are made one line each.
void registerPreset(PresetStore& store, const Preset& preset);

// pattern.cfg's text: every line followed by CR LF, each made one line.
std::string writePresetStore(const PresetStore& store);

}  // namespace moxtal
