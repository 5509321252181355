#include "rename_log.h"

namespace moxtal {

namespace {

void appendQuoted(std::string& out, const std::string& field)
{
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// Walks the text of a log, counting lines as a reader sees them.
class LogReader {
public:
    explicit LogReader(std::string_view text) : m_text(text) { }

    bool atEnd() const { return m_pos >= m_text.size(); }

    [[noreturn]] void fail(const std::string& what, std::size_t line = 0) const
    {
        throw LogFormatError("line " + std::to_string(line ? line : m_line) + ": " + what);
    }

    void expect(std::string_view bytes, const std::string& what)
    {
        if (m_text.substr(m_pos, bytes.size()) != bytes)
            fail(what);
        m_pos += bytes.size();
    }

    void expectLineEnd()
    {
        expect("\r\n", "a line must end with CR LF");
        ++m_line;
    }

    std::string quotedField()
    {
        if (atEnd() || m_text[m_pos] != '"')
            fail("a field must begin with a double quote");
        const std::size_t startLine = m_line;
        ++m_pos;
        std::string field;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') {
                if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                    continue;
                }
                return field;
            }
            // A line break inside a field: CR LF, LF or a lone CR each count as one.
            if (c == '\n' || (c == '\r' && (m_pos >= m_text.size() || m_text[m_pos] != '\n')))
                ++m_line;
            field += c;
        }
        fail("a quoted field is not closed", startLine);
    }

    std::size_t line() const { return m_line; }
    std::size_t position() const { return m_pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
};

void expectTitle(LogReader& reader)
{
    reader.expect(kLogTitle, "not a rename log: the first line must be \"" + std::string(kLogTitle) + "\"");
    reader.expectLineEnd();
}

TLogEntry readRow(LogReader& reader)
{
    const std::size_t line = reader.line();
    TLogEntry entry;
    entry.From = reader.quotedField();
    reader.expect(",", "fields must be separated by a single comma");
    entry.Folder = reader.quotedField();
    reader.expect(",", "fields must be separated by a single comma");
    entry.To = reader.quotedField();
    reader.expectLineEnd();
    if (entry.From.empty() || entry.To.empty())
        reader.fail("the names before and after a rename must not be empty", line);
    // The log writers write absolute folders only: a relative one would rename wherever the
    // undo happens to run.
    if (entry.Folder.empty() || entry.Folder.front() != '/' || entry.Folder.back() != '/')
        reader.fail("the folder must begin and end with \"/\"", line);
    return entry;
}

}  // namespace

void appendLogRow(std::string& out, const TLogEntry& entry)
{
    appendQuoted(out, entry.From);
    out += ',';
    appendQuoted(out, entry.Folder);
    out += ',';
    appendQuoted(out, entry.To);
    out += "\r\n";
}

std::string formatLogCsv(const std::vector<TLogEntry>& entries)
{
    std::string out(kLogTitle);
    out += "\r\n";
    for (const TLogEntry& entry : entries)
        appendLogRow(out, entry);
    return out;
}

std::vector<TLogEntry> parseLogCsv(std::string_view text)
{
    LogReader reader(text);
    expectTitle(reader);
    std::vector<TLogEntry> entries;
    while (!reader.atEnd())
        entries.push_back(readRow(reader));
    return entries;
}

std::vector<std::size_t> scanLogCsv(std::string_view text)
{
    LogReader reader(text);
    expectTitle(reader);
    std::vector<std::size_t> starts;
    while (!reader.atEnd()) {
        starts.push_back(reader.position());
        readRow(reader);
    }
    return starts;
}

TLogEntry logRowAt(std::string_view text, std::size_t start)
{
    LogReader reader(text.substr(start));
    return readRow(reader);
}

UndoOutcome undoLogRows(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions,
                        const RenameBack& renameBack)
{
    UndoOutcome outcome;
    outcome.undone.assign(positions.size(), false);
    for (std::size_t i = positions.size(); i-- > 0;) {
        if (positions[i] < entries.size())
            outcome.undone[i] = renameBack(entries[positions[i]]);
    }
    std::vector<std::size_t> removed;
    std::size_t removedBefore = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (outcome.undone[i]) {
            removed.push_back(positions[i]);
            ++removedBefore;
        } else if (positions[i] < entries.size()) {
            outcome.kept.push_back(positions[i] - removedBefore);
        }
    }
    eraseAtPositions(entries, removed);
    return outcome;
}

}  // namespace moxtal
