#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/rename_log.h"
#include "core/rename_loop.h"
#include "posix_handles.h"

namespace moxtal {

// Renames oldName to newName inside folder and never replaces an existing file: renameat2 with
// RENAME_NOREPLACE, else link and unlink, else a rename after an existence check. A target that
// is the very same file under a name differing only in letter case is a case change and is
// carried out. Names holding "/" or NUL, empty names, "." and ".." are refused.
bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName);

// The same inside the folder open as folderFd, so that a pass over many rows renames in the folder
// it opened even when another folder is moved to its path meanwhile. A case change is reported
// only when the folder then holds the new name and no longer the old one: two separate entries
// that are links of one file never count as a case change. On failure errno tells why (EEXIST
// for a taken name).
bool renameNoReplaceAt(int folderFd, const std::string& oldName, const std::string& newName);

// The three ways the non-replacing rename can go, by what the file system offers:
// - NoReplaceFlag: renameat2(RENAME_NOREPLACE), atomic: the target is never replaced;
// - LinkThenUnlink: without the flag, link then unlink: atomic too (link fails on an existing
//   target); a crash between the two leaves the file under both names, never lost;
// - CheckThenRename: without hard links either (FAT, exFAT, some network mounts), an existence
//   check then rename: not atomic, another program creating the target between the two could see
//   it replaced.
// The program always starts at the first and falls back as the file system answers; tests make it
// start at another to run the fallbacks on any file system.
enum class RenamePath { NoReplaceFlag, LinkThenUnlink, CheckThenRename };
void useRenamePath(RenamePath path);

// Opens the folder of a rename pass once, for renameNoReplaceAt. The full paths of a pass are
// folder + "/" + name, so an empty folder is the root. Empty when the folder cannot be opened.
UniqueFd openRenameFolder(const std::string& folder);

// The rename pass of the confirmation rows: the folder is opened once and every "Replace" row is
// renamed in it with renameNoReplaceAt; a folder that cannot be opened, and one that is not the
// listed folder when that is given, gives "Failed" rows.
// beforeRename runs right before each rename is tried (another process acting in the middle of a
// pass, in the tests).
using BeforeRename = std::function<void(const std::string& oldName, const std::string& newName)>;
RenameLoopResult renameRowsInFolder(const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog = true,
                                    std::optional<FolderIdentity> listed = std::nullopt,
                                    const BeforeRename& beforeRename = {}, const RowProgress& progress = {});
// The same in the folder open as folderFd (whose path is folder); done hears of every success and
// may stop the pass.
RenameLoopResult renameRowsAt(int folderFd, const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                              const RenameDone& done = {}, const BeforeRename& beforeRename = {},
                              const RowProgress& progress = {});

// Renames a logged file back (Folder + To to Folder + From) with renameNoReplaceAt; the folder
// stays open for the rows of the same folder that follow.
class RenameBackOnDisk {
public:
    bool operator()(const TLogEntry& entry);

private:
    std::string m_folder;
    UniqueFd m_folderFd;
};

// Undoes logged renames as the log's undo does (undoLogRows), renaming Folder + To back to
// Folder + From with renameNoReplaceAt; rows of one folder in a row share one open folder.
UndoOutcome undoLogRowsOnDisk(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions);

}  // namespace moxtal
