#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rename_log.h"
#include "rename_log_file.h"

namespace moxtal {

// The rename journal: every pass the window carries out goes, as it happens, to a rename log of its
// own in the user's journal folder, so that a batch can still be undone after the program was
// closed (moxtal-cli --undo-last). The files are rename logs as moxtal-cli --log writes them.

// The journal folder, ending with "/": "moxtal/" in $XDG_STATE_HOME when that is an absolute
// path, else in ~/.local/state; empty when neither it nor $HOME is set.
std::string chooseJournalFolder(const char* xdgStateHome, const char* home);
// The same for the environment as it is now (read at each use).
std::string journalFolder();

// A pass's file: "pass-", the UTC time of its first row as 20261210T093012Z, "-", a counter of
// three digits for the passes of one second, ".csv"; the names sort in the order of the passes.
std::string passFileName(std::time_t utc, unsigned counter);
bool isPassFileName(std::string_view name);
// The file of the window's direct renames, one for all of them, never pruned.
inline constexpr std::string_view kDirectRenamesFile = "direct-renames.csv";
// How many pass files the journal keeps: the oldest beyond them go when a new one is written.
inline constexpr std::size_t kKeptPassFiles = 100;

// The names of the pass files in folder, oldest first.
std::vector<std::string> passFileNames(const std::string& folder);
// Removes the oldest pass files of folder beyond kept (one another pass or undo holds stays).
void prunePassFiles(const std::string& folder, std::size_t kept = kKeptPassFiles);
// The newest pass file of folder that holds a row to undo (or that cannot be read as a log, so
// that its undo says why rather than an older pass being undone before it); none when there is
// none. A pass file whose rows are all undone holds only its title.
std::optional<std::string> newestPassToUndo(const std::string& folder);

// Where the rows of one pass (a "Rename" or one direct rename) went: the journal file that holds
// them, and why the journal is off when it could not be written.
struct JournalRecord {
    std::string file;  // full path; empty when no row of the pass reached the journal
    std::string offReason;  // empty while the journal works
};

// The journal of one pass. Its file is made at the pass's first rows (a pass that renames nothing
// leaves none): a pass file created exclusively, mode 0600, or the direct-renames file appended to,
// in a folder made with mode 0700. The file stays locked until finish.
class JournalPass {
public:
    enum class Kind { Pass, DirectRename };
    // The journal in folder (journalFolder() when not given); clock names a pass file (the system's
    // time when not given).
    explicit JournalPass(Kind kind, std::optional<std::string> folder = std::nullopt,
                         std::function<std::time_t()> clock = {});

    // The rename pass's write-ahead: the rows reach the journal's disk before their renames. A
    // journal that cannot be written never stops the pass: it is off from then on, and every row
    // counts as written.
    std::size_t writeAhead(const std::vector<TLogEntry>& entries);
    // After the pass: the journal keeps the rows of the renames done (rows written ahead of renames
    // that failed or never ran leave it; a pass file left without rows is removed), the oldest pass
    // files beyond the kept number go, and the file is unlocked.
    JournalRecord finish(const std::vector<TLogEntry>& done);

private:
    bool open();
    void turnOff(std::string reason);

    Kind m_kind;
    std::string m_folder;
    std::function<std::time_t()> m_clock;
    std::string m_path;
    std::optional<RenameLogFile> m_file;
    std::size_t m_start = 0;  // where this pass's rows begin in the file
    std::size_t m_written = 0;
    std::string m_offReason;
};

// Removes the rows of undone (renames the log window undid) from the journal file, under its lock,
// as moxtal-cli --undo rewrites a log: for each, the newest row equal to it. A file that is gone
// (pruned) or that another undo holds is left (an undo of it finds those files under their old
// names and drops the rows). Gives why the file could not be rewritten, empty when it was.
std::string removeJournalRows(const std::string& file, const std::vector<TLogEntry>& undone);

}  // namespace moxtal
