#include "rename_loop.h"

#include "rename_prediction.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

std::string failureReason(int error)
{
    switch (error) {
    case kFolderReplaced:
        return "the folder was moved or replaced since it was listed";
    case kFolderBusy:
        return "another Mox-Tal pass is renaming in this folder";
    case kNotAllowedHere:
        return "the name is not allowed on this file system";
    case kNotTheRenamedFile:
        return "the file under the new name is not the one that was renamed";
    default:
        return std::strerror(error);
    }
}

namespace {

bool attempted(const ConfirmRow& row)
{
    return row.status == kStatusReplace && row.oldName != row.newName;
}

// Why the folder's file system refuses a new name whatever the folder holds; 0 when it does not.
int refusedByRules(const RenamePassHooks& hooks, const std::string& newName)
{
    if (!hooks.rules)
        return 0;
    switch (refusedForNameAlone(*hooks.rules, newName)) {
    case Refusal::NameTooLong:
        return ENAMETOOLONG;
    case Refusal::NotAllowedHere:
        return kNotAllowedHere;
    default:
        return 0;
    }
}

constexpr std::size_t kFirstBatch = 16;
constexpr std::size_t kAhead = 8;
constexpr std::size_t kLargestBatch = 4096;

}  // namespace

RenameLoopResult renameRows(const std::string& folder, std::vector<ConfirmRow>& rows, const RenameInFolder& rename,
                            bool keepLog, const RenamePassHooks& hooks)
{
    RenameLoopResult result;
    const bool wantEntries = keepLog || hooks.done || hooks.writeAhead;
    if (keepLog)
        result.log.reserve(rows.size());
    std::vector<TLogEntry> batch;
    std::vector<std::size_t> batchRows;
    std::size_t batchSize = hooks.writeAhead ? kFirstBatch : kLargestBatch;
    for (std::size_t first = 0; first < rows.size(); batchSize = std::min(batchSize * 2, kLargestBatch)) {
        std::size_t end = std::min(rows.size(), first + batchSize);
        // The batch's log rows, with each file's identity taken before its rename.
        batch.clear();
        batchRows.clear();
        for (std::size_t i = first; i < end; ++i) {
            // The old names lie in memory in another order than the rows': each is fetched ahead.
            if (i + kAhead < end)
                __builtin_prefetch(rows[i + kAhead].oldName.data());
            ConfirmRow& row = rows[i];
            row.result = {};
            if (!attempted(row))
                continue;
            if (const int refused = refusedByRules(hooks, row.newName)) {
                row.result = kResultFailed;
                row.error = refused;
                continue;
            }
            if (!wantEntries)
                continue;
            TLogEntry entry {row.oldName, row.newName, folder + "/", std::nullopt};
            if (hooks.identify && !(entry.Identity = hooks.identify(row.oldName))) {
                row.result = kResultFailed;
                row.error = errno;
                continue;
            }
            batch.push_back(std::move(entry));
            batchRows.push_back(i);
        }
        if (hooks.writeAhead) {
            const std::size_t written = hooks.writeAhead(batch);
            if (written < batch.size()) {
                end = batchRows[written];
                result.stopped = true;
            }
        }
        std::size_t next = 0;
        for (std::size_t i = first; i < end; ++i) {
            if (hooks.progress && !hooks.progress(i)) {
                result.stopped = true;
                end = i;
                break;
            }
            ConfirmRow& row = rows[i];
            const bool logged = next < batchRows.size() && batchRows[next] == i;
            TLogEntry entry = logged ? std::move(batch[next++]) : TLogEntry {};
            if (!row.result.empty())
                continue;  // its file could not be recorded: no rename without its log row
            const std::string_view word = renameRow(folder, row, rename, nullptr);
            row.error = word == kResultFailed ? errno : 0;
            row.result = word;  // rows are renamed once per showing: the result is one word
            if (word != kResultOk)
                continue;
            result.renameDone = true;
            const bool goOn = !hooks.done || hooks.done(entry);
            if (keepLog)
                result.log.push_back(std::move(entry));
            if (!goOn) {
                result.stopped = true;
                end = i + 1;
                break;
            }
        }
        if (result.stopped) {
            // The rows after the stop get no result word.
            for (std::size_t i = end; i < rows.size(); ++i)
                rows[i].result = {};
            break;
        }
        first = end;
    }
    return result;
}

}  // namespace moxtal
