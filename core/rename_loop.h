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
// success. The folder is fixed for the whole pass (the caller opens it once).
using RenameInFolder = std::function<bool(const std::string& oldName, const std::string& newName)>;

// Splits a full path at its last "/": the folder part keeps the "/", the name part follows it.
std::pair<std::string, std::string> splitAtLastSeparator(const std::string& path,
                                                         CodePage cp = CodePage::Utf8);

// Renames one confirmation row as "Rename" does and returns its result word. The full paths are
// folder + "/" + cell (the separator is always added); rename works in that folder. On success,
// log receives the hand-over.
std::string_view renameRow(const std::string& folder, const ConfirmRow& row,
                           const RenameInFolder& rename, TLogEntry* log, CodePage cp = CodePage::Utf8);

struct RenameLoopResult {
    bool renameDone = false;
    std::vector<TLogEntry> log;  // one per success, in row order
};

// Renames every row in order, appending its result word to the row's result.
RenameLoopResult renameRows(const std::string& folder, std::vector<ConfirmRow>& rows,
                            const RenameInFolder& rename, CodePage cp = CodePage::Utf8);

}  // namespace moxtal
