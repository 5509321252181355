#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// Renames every row in order, writing its result word into the row (and a failure's errno).
// keepLog false leaves the result's log empty (a caller without a log).
RenameLoopResult renameRows(const std::string& folder, std::vector<ConfirmRow>& rows, const RenameInFolder& rename,
                            bool keepLog = true, const RenameDone& done = {}, const RowProgress& progress = {});

}  // namespace moxtal
