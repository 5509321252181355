// Fuzzes the rename log's CSV reader: any bytes read without harm; the rows of a text it accepts
// are written and read back the same (exactly its bytes when no row has fields beyond the
// identity); a torn tail never hides a whole row; rows made from the input read back the same.
#include <cstdint>
#include <string>

#include "core/rename_log.h"

using namespace moxtal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const std::vector<TLogEntry> entries = parseLogCsv(text);
        const std::string written = formatLogCsv(entries, LogColumns::WithIdentity);
        if (parseLogCsv(written) != entries || (written != text && written.size() >= text.size()))
            __builtin_trap();
    } catch (const LogFormatError&) { }
    try {
        const LogScan scan = scanLogText(text);
        if (scan.wholeEnd > text.size() || (scan.tornLine == 0 && scan.wholeEnd != text.size()) ||
            (scan.tornLine > 0 && !text.empty() && scan.wholeEnd >= text.size()) ||
            parseLogCsv(scan.wholeEnd > 0 ? text.substr(0, scan.wholeEnd) : formatLogCsv({})).size() !=
                scan.starts.size())
            __builtin_trap();
    } catch (const LogFormatError&) { }
    // Rows cut from the input: every third piece between "|" is a folder.
    std::vector<TLogEntry> rows;
    std::string piece;
    std::vector<std::string> pieces;
    for (const char c : text) {
        if (c == '|') {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    pieces.push_back(piece);
    for (std::size_t i = 0; i + 2 < pieces.size(); i += 3) {
        if (!pieces[i].empty() && !pieces[i + 1].empty())
            rows.push_back({pieces[i], pieces[i + 1], "/" + pieces[i + 2] + "/", std::nullopt});
    }
    if (parseLogCsv(formatLogCsv(rows)) != rows)
        __builtin_trap();
    return 0;
}
