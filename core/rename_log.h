#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "regular_expression.h"

namespace moxtal {

// One successful rename of the run.
struct TLogEntry {
    std::string From;  // the name before the rename, no folder
    std::string To;  // the name after it
    std::string Folder;  // the folder holding the file, ending with "/"

    bool operator==(const TLogEntry&) const = default;
};

inline constexpr std::string_view kLogTitle = "MoxTal rename log";

// The CSV export of a log: the title line, then "From","Folder","To" per row, every line ending
// with CR LF; a double quote inside a field is doubled, every other byte is written as held.
std::string formatLogCsv(const std::vector<TLogEntry>& entries);
// One row of that form, appended to out.
void appendLogRow(std::string& out, const TLogEntry& entry);

// Text that is not a rename log as formatLogCsv writes it; the message names the line.
class LogFormatError : public AppError {
public:
    using AppError::AppError;
};

// Reads exactly what formatLogCsv writes (doubled quotes, line breaks inside fields, CR LF after
// every line) and nothing looser: every row has three quoted fields, non-empty names and a folder
// beginning and ending with "/". Throws LogFormatError.
std::vector<TLogEntry> parseLogCsv(std::string_view text);
// Checks text as parseLogCsv does and gives where each row's bytes begin, for a large log read a
// row at a time (8 bytes a row instead of three strings). Throws LogFormatError.
std::vector<std::size_t> scanLogCsv(std::string_view text);
// The row of a checked log that begins at start.
TLogEntry logRowAt(std::string_view text, std::size_t start);

// Erases the items at positions (ascending, without duplicates) in one pass.
template <typename T> void eraseAtPositions(std::vector<T>& items, const std::vector<std::size_t>& positions)
{
    std::size_t next = 0, kept = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            ++next;
            continue;
        }
        if (kept != i)
            items[kept] = std::move(items[i]);
        ++kept;
    }
    items.resize(kept);
}

// Renames a logged file back: Folder + To becomes Folder + From, never replacing a file.
using RenameBack = std::function<bool(const TLogEntry& entry)>;

struct UndoOutcome {
    std::vector<bool> undone;  // per given position, in the order given
    std::vector<std::size_t> kept;  // where the rows that could not be undone stand afterwards
};

// Undoes the rows at positions (ascending, without duplicates), the bottom-most first, so that a
// chain A to B, B to C goes back in the right order. Undone rows leave the log; the others stay in
// their order. Never adds a row.
UndoOutcome undoLogRows(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions,
                        const RenameBack& renameBack);

}  // namespace moxtal
