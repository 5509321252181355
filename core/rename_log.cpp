#include "rename_log.h"

#include <charconv>

namespace moxtal {

bool sameFile(const FileIdentity& recorded, const FileIdentity& now)
{
    return recorded.size == now.size && recorded.mtimeNs == now.mtimeNs &&
           (recorded.inode == 0 || now.inode == 0 || recorded.inode == now.inode);
}

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

    // The text ended before what was expected: a torn tail rather than another file.
    [[noreturn]] void failCut(const std::string& what, std::size_t line = 0)
    {
        m_cut = true;
        fail(what, line);
    }
    bool cut() const { return m_cut; }

    void expect(std::string_view bytes, const std::string& what)
    {
        const std::string_view here = m_text.substr(m_pos, bytes.size());
        if (here != bytes) {
            if (here.size() < bytes.size() && bytes.substr(0, here.size()) == here)
                failCut(what);
            fail(what);
        }
        m_pos += bytes.size();
    }

    bool next(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }

    void expectLineEnd()
    {
        expect("\r\n", "a line must end with CR LF");
        ++m_line;
    }

    std::string quotedField()
    {
        if (atEnd())
            failCut("a field must begin with a double quote");
        if (m_text[m_pos] != '"')
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
        failCut("a quoted field is not closed", startLine);
    }

    std::size_t line() const { return m_line; }
    std::size_t position() const { return m_pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    bool m_cut = false;
};

void expectTitle(LogReader& reader)
{
    reader.expect(kLogTitle, "not a rename log: the first line must be \"" + std::string(kLogTitle) + "\"");
    reader.expectLineEnd();
}

// A decimal number of an identity field: digits only (a "-" first where allowed), no leading zero.
template <typename T> bool readNumber(const std::string& text, T& into)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t digits = negative ? 1 : 0;
    if (text.size() == digits || (text.size() > digits + 1 && text[digits] == '0') || (negative && text == "-0"))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), into);
    return error == std::errc() && end == text.data() + text.size();
}

FileIdentity readIdentity(LogReader& reader, const std::string* fields, std::size_t line)
{
    FileIdentity identity;
    if (!readNumber(fields[0], identity.size) || !readNumber(fields[1], identity.mtimeNs) ||
        (!fields[2].empty() && (!readNumber(fields[2], identity.inode) || identity.inode == 0)))
        reader.fail("the file's size, time and inode number must be decimal numbers", line);
    return identity;
}

TLogEntry readRow(LogReader& reader)
{
    const std::size_t line = reader.line();
    std::vector<std::string> fields;
    fields.push_back(reader.quotedField());
    while (reader.next(',')) {
        reader.expect(",", "fields must be separated by a single comma");
        fields.push_back(reader.quotedField());
    }
    if (reader.atEnd())
        reader.failCut("a line must end with CR LF");
    if (!reader.next('\r') && !reader.next('\n'))
        reader.fail("fields must be separated by a single comma");
    reader.expectLineEnd();
    if (fields.size() < 3 || fields.size() == 4 || fields.size() == 5)
        reader.fail("a row has " + std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") +
                        ": a rename log row has 3, or 6 and more with the file's identity",
                    line);
    TLogEntry entry;
    entry.From = std::move(fields[0]);
    entry.Folder = std::move(fields[1]);
    entry.To = std::move(fields[2]);
    if (fields.size() >= 6)
        entry.Identity = readIdentity(reader, &fields[3], line);
    if (entry.From.empty() || entry.To.empty())
        reader.fail("the names before and after a rename must not be empty", line);
    // The log writers write absolute folders only: a relative one would rename wherever the
    // undo happens to run.
    if (entry.Folder.empty() || entry.Folder.front() != '/' || entry.Folder.back() != '/')
        reader.fail("the folder must begin and end with \"/\"", line);
    return entry;
}

}  // namespace

void appendLogRow(std::string& out, const TLogEntry& entry, LogColumns columns)
{
    appendQuoted(out, entry.From);
    out += ',';
    appendQuoted(out, entry.Folder);
    out += ',';
    appendQuoted(out, entry.To);
    if (columns == LogColumns::WithIdentity && entry.Identity) {
        const FileIdentity& id = *entry.Identity;
        for (const std::string& field : {std::to_string(id.size), std::to_string(id.mtimeNs),
                                         id.inode ? std::to_string(id.inode) : std::string()}) {
            out += ',';
            appendQuoted(out, field);
        }
    }
    out += "\r\n";
}

std::string formatLogCsv(const std::vector<TLogEntry>& entries, LogColumns columns)
{
    std::string out(kLogTitle);
    out += "\r\n";
    for (const TLogEntry& entry : entries)
        appendLogRow(out, entry, columns);
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

LogScan scanLogText(std::string_view text)
{
    LogScan scan;
    // A power cut can leave blocks of NUL bytes where rows were never written.
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == '\0')
        --end;
    const std::string_view filled = text.substr(0, end);
    LogReader reader(filled);
    try {
        expectTitle(reader);
    } catch (const LogFormatError&) {
        const std::string title = std::string(kLogTitle) + "\r\n";
        if (title.compare(0, filled.size(), filled) != 0)
            throw;
        scan.tornLine = 1;
        return scan;
    }
    while (!reader.atEnd()) {
        const std::size_t start = reader.position(), line = reader.line();
        try {
            readRow(reader);
        } catch (const LogFormatError&) {
            if (!reader.cut())
                throw;
            scan.wholeEnd = start;
            scan.tornLine = line;
            return scan;
        }
        scan.starts.push_back(start);
    }
    scan.wholeEnd = end;
    if (end < text.size())
        scan.tornLine = reader.line();
    return scan;
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
            outcome.undone[i] = renameBack(entries[positions[i]]).step != UndoStep::Failed;
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
