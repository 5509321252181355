#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regular_expression.h"

namespace moxtal {

// What tells the file a rename moved from a stranger given its name later, and survives a replug
// and a restart: its size and modification time, and its inode number where the file system keeps
// inode numbers (0 where it hands them out afresh at every mount, as FAT and FUSE drivers do).
struct FileIdentity {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;  // nanoseconds since 1970
    std::uint64_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Whether the file now seen is the one recorded (the inode counts only where both know it).
bool sameFile(const FileIdentity& recorded, const FileIdentity& now);

// One successful rename of the run.
struct TLogEntry {
    std::string From;  // the name before the rename, no folder
    std::string To;  // the name after it
    std::string Folder;  // the folder holding the file, ending with "/"
    std::optional<FileIdentity> Identity;  // the renamed file, where the pass recorded it

    bool operator==(const TLogEntry&) const = default;
};

inline constexpr std::string_view kLogTitle = "MoxTal rename log";

// Which fields a log row carries: the three of the log window's "Save", or those and the file's
// identity (size, modification time in nanoseconds, inode number or empty), which moxtal-cli's
// log keeps so that its undo renames only the file the pass renamed.
enum class LogColumns { Designed, WithIdentity };

// The CSV export of a log: the title line, then "From","Folder","To" per row, every line ending
// with CR LF; a double quote inside a field is doubled, every other byte is written as held.
// WithIdentity adds the identity fields to each row that has one.
std::string formatLogCsv(const std::vector<TLogEntry>& entries, LogColumns columns = LogColumns::Designed);
// One row of that form, appended to out.
void appendLogRow(std::string& out, const TLogEntry& entry, LogColumns columns = LogColumns::Designed);

// Text that is not a rename log as formatLogCsv writes it; the message names the line.
class LogFormatError : public AppError {
public:
    using AppError::AppError;
};

// Reads exactly what formatLogCsv writes (doubled quotes, line breaks inside fields, CR LF after
// every line) and nothing looser: every row has three quoted fields, or six and more whose fourth
// to sixth are the file's identity (later fields are left for later versions), non-empty names and
// a folder beginning and ending with "/". Throws LogFormatError.
std::vector<TLogEntry> parseLogCsv(std::string_view text);
// Checks text as parseLogCsv does and gives where each row's bytes begin, for a large log read a
// row at a time (8 bytes a row instead of three strings). Throws LogFormatError.
std::vector<std::size_t> scanLogCsv(std::string_view text);

// A log as a crash, a power cut or a full disk leaves it: the whole rows, and where the first row
// that is not whole begins. A row is whole only with its CR LF; a tail that ends inside a row, or
// that holds nothing but NUL bytes (what a power cut leaves of blocks never written), is torn.
struct LogScan {
    std::vector<std::size_t> starts;  // where each whole row begins
    std::size_t wholeEnd = 0;  // the bytes up to here are the title and the whole rows
    std::size_t tornLine = 0;  // the line where the torn tail begins, 0 when there is none
};
// Checks text as scanLogCsv does but takes a torn tail; anything else that is not a rename log
// throws LogFormatError. A text that is a cut title line (an empty file included) has no rows and
// a torn tail at line 1.
LogScan scanLogText(std::string_view text);
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

// How the undo of one row went.
enum class UndoStep {
    Undone,  // the file is back under its old name
    NeverRenamed,  // the row was written ahead of a rename that failed or never ran: the old name
                   // still holds the file; the row leaves the log and is no failure
    Failed,
};
struct UndoRowResult {
    UndoStep step = UndoStep::Failed;
    std::string reason;  // why it failed, or a note on a row that was never renamed
};

// Renames a logged file back: Folder + To becomes Folder + From, never replacing a file.
using RenameBack = std::function<UndoRowResult(const TLogEntry& entry)>;

struct UndoOutcome {
    std::vector<bool> undone;  // per given position, in the order given: the row left the log
    std::vector<std::size_t> kept;  // where the rows that could not be undone stand afterwards
};

// Undoes the rows at positions (ascending, without duplicates), the bottom-most first, so that a
// chain A to B, B to C goes back in the right order. Undone rows leave the log; the others stay in
// their order. Never adds a row.
UndoOutcome undoLogRows(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions,
                        const RenameBack& renameBack);

}  // namespace moxtal
