#include "rename_loop.h"

#include <cerrno>

namespace moxtal {

std::string_view renameRow(const std::string& folder, const ConfirmRow& row, const RenameInFolder& rename,
                           TLogEntry* log)
{
    if (row.status != kStatusReplace)
        return kResultSkipped;
    // Both full paths are the same folder and "/" before the cells: they are equal exactly when
    // the cells are.
    if (row.oldName == row.newName)
        return kResultFileExists;
    // The cells are handed over whole: a cell holding "/" is refused by the rename, never
    // taken as a path into another folder.
    if (!rename(row.oldName, row.newName))
        return kResultFailed;
    if (log) {
        // A successful rename's names hold no "/": the folder part of both paths is folder + "/".
        log->From = row.oldName;
        log->To = row.newName;
        log->Folder = folder + "/";
    }
    return kResultOk;
}

RenameLoopResult renameRows(const std::string& folder, std::vector<ConfirmRow>& rows, const RenameInFolder& rename,
                            bool keepLog, const RenameDone& done, const RowProgress& progress)
{
    RenameLoopResult result;
    if (keepLog)
        result.log.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (progress && !progress(i)) {
            result.stopped = true;
            break;
        }
        ConfirmRow& row = rows[i];
        TLogEntry entry;
        const std::string_view word = renameRow(folder, row, rename, keepLog || done ? &entry : nullptr);
        row.error = word == kResultFailed ? errno : 0;
        row.result = word;  // rows are renamed once per showing: the result is one word
        if (word != kResultOk)
            continue;
        result.renameDone = true;
        const bool goOn = !done || done(entry);
        if (keepLog)
            result.log.push_back(std::move(entry));
        if (!goOn) {
            result.stopped = true;
            break;
        }
    }
    return result;
}

}  // namespace moxtal
