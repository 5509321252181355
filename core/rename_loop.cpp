#include "rename_loop.h"

namespace moxtal {

std::pair<std::string, std::string> splitAtLastSeparator(const std::string& path, CodePage cp)
{
    const std::size_t slash = findLastChar(path, '/', cp);
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string_view renameRow(const std::string& folder, const ConfirmRow& row,
                           const RenameInFolder& rename, TLogEntry* log, CodePage cp)
{
    const std::string newPath = folder + "/" + row.newName;
    const std::string oldPath = folder + "/" + row.oldName;
    if (row.status != kStatusReplace)
        return kResultSkipped;
    if (oldPath == newPath)
        return kResultFileExists;
    // The cells are handed over whole: a cell holding "/" is refused by the rename, never
    // taken as a path into another folder.
    if (!rename(row.oldName, row.newName))
        return kResultFailed;
    if (log) {
        auto [newFolder, newName] = splitAtLastSeparator(newPath, cp);
        log->From = splitAtLastSeparator(oldPath, cp).second;
        log->To = std::move(newName);
        log->Folder = std::move(newFolder);
    }
    return kResultOk;
}

RenameLoopResult renameRows(const std::string& folder, std::vector<ConfirmRow>& rows,
                            const RenameInFolder& rename, CodePage cp)
{
    RenameLoopResult result;
    for (ConfirmRow& row : rows) {
        TLogEntry values;
        const std::string_view word = renameRow(folder, row, rename, &values, cp);
        row.result += word;
        if (word == kResultOk) {
            result.renameDone = true;
            result.log.push_back(std::move(values));
        }
    }
    return result;
}

}  // namespace moxtal
