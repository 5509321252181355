#include "settings_format.h"

#include <algorithm>

#include "regular_expression.h"
#include "rename_job.h"
#include "text_lines.h"

namespace moxtal {

namespace {

// Reads the lines of main.cfg one value after another, noting how far it got.
class MainCfgReader {
public:
    MainCfgReader(std::vector<std::string> lines, MainCfgRead& read) : m_lines(std::move(lines)), m_read(read) { }

    bool atEnd() const { return m_index >= m_lines.size(); }

    const std::string& line()
    {
        if (atEnd())
            throw AppError(messages::kListIndexOutOfRange, {std::to_string(m_index)});
        return m_lines[m_index++];
    }

    void number(int& into, MainCfgField field)
    {
        into = parseInteger(line());
        done(field);
    }

    void text(std::string& into, MainCfgField field)
    {
        into = line();
        done(field);
    }

    void history(std::vector<std::string>& into, MainCfgField field)
    {
        for (;;) {
            const std::string& item = line();
            if (item == kHistoryMarker)
                break;
            into.push_back(item);
        }
        done(field);
    }

    void bounds(WindowBounds& into, MainCfgField top)
    {
        const int first = static_cast<int>(top);
        number(into.top, top);
        number(into.left, static_cast<MainCfgField>(first + 1));
        number(into.width, static_cast<MainCfgField>(first + 2));
        number(into.height, static_cast<MainCfgField>(first + 3));
    }

private:
    void done(MainCfgField field) { m_read.reached = static_cast<MainCfgField>(static_cast<int>(field) + 1); }

    std::vector<std::string> m_lines;
    std::size_t m_index = 0;
    MainCfgRead& m_read;
};

void appendNumber(std::string& out, int value)
{
    out += std::to_string(value);
    out += "\r\n";
}

void appendLine(std::string& out, std::string_view value)
{
    out += asOneLine(value);
    out += "\r\n";
}

void appendBounds(std::string& out, const WindowBounds& bounds)
{
    for (const int value : {bounds.top, bounds.left, bounds.width, bounds.height})
        appendNumber(out, value);
}

void appendHistory(std::string& out, const std::vector<std::string>& items)
{
    const std::size_t count = std::min(items.size(), kStoredHistoryItems);
    for (std::size_t i = 0; i < count; ++i) {
        // An item that is exactly the marker would end its list early: it is left out.
        if (items[i] != kHistoryMarker)
            appendLine(out, items[i]);
    }
    out += kHistoryMarker;
    out += "\r\n";
}

// The folder itself, or its nearest ancestor whose path holds no line break.
std::string storableFolder(const std::string& folder)
{
    const std::size_t brk = folder.find_first_of(std::string_view("\r\n\0", 3));
    if (brk == std::string::npos)
        return folder;
    const std::size_t slash = folder.rfind('/', brk);
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : folder.substr(0, slash);
}

}  // namespace

MainCfgRead readMainCfg(std::string_view text)
{
    MainCfgRead read;
    MainSettings& v = read.values;
    MainCfgReader reader(linesOf(text), read);
    try {
        reader.bounds(v.main, MainCfgField::MainTop);
        reader.text(v.pattern, MainCfgField::Pattern);
        reader.text(v.replacement, MainCfgField::Replacement);
        reader.text(v.filter, MainCfgField::Filter);
        reader.text(v.folder, MainCfgField::Folder);
        reader.history(v.patternHistory, MainCfgField::PatternHistory);
        reader.history(v.replacementHistory, MainCfgField::ReplacementHistory);
        if (reader.atEnd())
            return read;
        reader.number(v.fileListWidth, MainCfgField::FileListWidth);
        if (reader.atEnd())
            return read;
        reader.bounds(v.report, MainCfgField::ReportTop);
        reader.history(v.clipPatternHistory, MainCfgField::ClipPatternHistory);
        reader.history(v.clipReplacementHistory, MainCfgField::ClipReplacementHistory);
        reader.bounds(v.clip, MainCfgField::ClipTop);
    } catch (const AppError& e) {
        read.error = e.what();
    }
    return read;
}

std::string writeMainCfg(const MainSettings& s)
{
    std::string out;
    appendBounds(out, s.main);
    appendLine(out, s.pattern);
    appendLine(out, s.replacement);
    appendLine(out, s.filter);
    appendLine(out, storableFolder(s.folder));
    appendHistory(out, s.patternHistory);
    appendHistory(out, s.replacementHistory);
    appendNumber(out, s.fileListWidth);
    appendBounds(out, s.report);
    appendHistory(out, s.clipPatternHistory);
    appendHistory(out, s.clipReplacementHistory);
    appendBounds(out, s.clip);
    return out;
}

std::size_t presetCount(const PresetStore& store)
{
    return (store.size() + 2) / 3;
}

Preset presetAt(const PresetStore& store, std::size_t n)
{
    auto lineAt = [&](std::size_t i) { return i < store.size() ? store[i] : std::string(); };
    return {lineAt(3 * n), lineAt(3 * n + 1), lineAt(3 * n + 2)};
}

void registerPreset(PresetStore& store, const Preset& preset)
{
    store.resize(presetCount(store) * 3);
    const std::string pattern = asOneLine(preset.pattern);
    const std::string replacement = asOneLine(preset.replacement);
    for (std::size_t n = 0; 3 * n < store.size(); ++n) {
        if (store[3 * n + 1] == pattern && store[3 * n + 2] == replacement) {
            store[3 * n] = asOneLine(preset.comment);
            return;
        }
    }
    store.push_back(asOneLine(preset.comment));
    store.push_back(pattern);
    store.push_back(replacement);
}

std::string writePresetStore(const PresetStore& store)
{
    std::string out;
    for (const std::string& line : store)
        appendLine(out, line);
    return out;
}

}  // namespace moxtal
