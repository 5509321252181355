#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "folder_rules.h"
#include "rename_job.h"
#include "rename_log.h"

namespace moxtal {

inline constexpr std::string_view kResultSkipped = "---";
inline constexpr std::string_view kResultFileExists = "File Exists";
inline constexpr std::string_view kResultOk = "Ok";
inline constexpr std::string_view kResultFailed = "Failed";

// Renames oldName to newName inside the folder of the pass without ever replacing a file; true on
// success, else errno tells why. The folder is fixed for the whole pass (the caller opens it once).
using RenameInFolder = std::function<bool(const std::string& oldName, const std::string& newName)>;

// Renames one confirmation row as "Rename" does and returns its result word. The full paths are
// folder + "/" + cell (the separator is always added); rename works in that folder. On success,
// log receives the hand-over.
std::string_view renameRow(const std::string& folder, const ConfirmRow& row, const RenameInFolder& rename,
                           TLogEntry* log);

struct RenameLoopResult {
    bool renameDone = false;
    bool stopped = false;  // done asked to stop: the rows after the last success have no result
    std::vector<TLogEntry> log;  // one per success, in row order
};

// Hears of each successful rename as soon as it is done; false stops the pass.
using RenameDone = std::function<bool(const TLogEntry& entry)>;

// Hears how many rows are done before each row; false stops the pass there (the rows not tried
// get no result word).
using RowProgress = std::function<bool(std::size_t rowsDone)>;

// The identity of the file a name in the pass's folder holds now, for the log; empty (errno telling
// why) when there is none.
using IdentifyFile = std::function<std::optional<FileIdentity>(const std::string& name)>;

// Writes a batch's log rows to the log before any of their renames is tried, and makes them
// durable; gives how many of the rows, from the first, are written (fewer stops the pass after the
// renames of those).
using WriteAhead = std::function<std::size_t(const std::vector<TLogEntry>& entries)>;

// Reasons for a "Failed" row of the program's own, beside the system's error numbers (which are
// positive): the row's error holds one of these.
enum FailureReason : int {
    kFolderReplaced = -1,  // the folder at the path is not the one that was listed
    kFolderBusy = -2,  // another Mox-Tal pass renames in the folder
    kNotAllowedHere = -3,  // the folder's file system refuses the new name
    kNotTheRenamedFile = -4,  // undo: the name now holds another file than the pass renamed
};
// The reason a "Failed" row shows, from its error.
std::string failureReason(int error);

struct RenamePassHooks {
    // The folder's file system's rules: a new name they refuse whatever the folder holds (too long,
    // a refused character) is not tried; its row fails with ENAMETOOLONG or kNotAllowedHere.
    std::optional<FolderRules> rules;
    IdentifyFile identify;  // with a log: records each file before its rename
    WriteAhead writeAhead;  // a log written ahead of the renames, batch by batch
    RenameDone done;
    RowProgress progress;
};

// Renames every row in order, writing its result word into the row (and a failure's errno).
// keepLog false leaves the result's log empty (a caller without a log). With writeAhead, the rows
// go to the log in batches (growing from a few rows to a few thousand), each before its renames.
RenameLoopResult renameRows(const std::string& folder, std::vector<ConfirmRow>& rows, const RenameInFolder& rename,
                            bool keepLog = true, const RenamePassHooks& hooks = {});

}  // namespace moxtal
