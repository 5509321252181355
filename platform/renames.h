#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/rename_log.h"
#include "core/rename_loop.h"
#include "core/rename_plan.h"
#include "posix_handles.h"

namespace moxtal {

class FolderLock;

// The exact names of a folder, read once when a pass first needs them (a case change) and kept up
// to date by the pass's own renames, so that a pass of many case changes reads the folder once.
class FolderEntries {
public:
    bool load(int folderFd);  // false when the folder cannot be read
    bool has(const std::string& name) const;
    // How many entries are the name ignoring letter case.
    std::size_t foldedCount(const std::string& name) const;
    void renamed(const std::string& oldName, const std::string& newName);

private:
    void add(const std::string& name);
    bool m_loaded = false;
    std::unordered_set<std::string> m_exact;
    std::unordered_map<std::string, std::size_t> m_folded;
};

// The short temporary name a case change goes through on a folder that folds case, derived from
// the old name alone.
std::string caseChangeTemporaryName(const std::string& oldName);

// Renames oldName to newName inside folder and never replaces an existing file: renameat2 with
// RENAME_NOREPLACE, else link and unlink, else a rename onto an empty claim of the new name. A
// rename that differs only in letter case, on a folder where no other entry has the new spelling
// (a folder that folds case), is carried out through a short temporary name. Names holding "/"
// or NUL, empty names, "." and ".." are refused. Holds the folder's pass lock meanwhile; recorded,
// when given, receives the renamed file's identity for the log; writeAhead, when given, gets the
// log row before the rename is tried (a row it does not write stops the rename, errno EIO).
bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName,
                     std::optional<FileIdentity>* recorded = nullptr, const WriteAhead& writeAhead = {});

// The same inside the folder open as folderFd, so that a pass over many rows renames in the folder
// it opened even when another folder is moved to its path meanwhile. A case change is decided by
// the folder's entries (entries, when given, are the pass's; else the folder is read for it): two
// separate entries that are links of one file never count as a case change. On failure errno tells
// why (EEXIST for a taken name).
bool renameNoReplaceAt(int folderFd, const std::string& oldName, const std::string& newName,
                       FolderEntries* entries = nullptr);

// The three ways the non-replacing rename can go, by what the file system offers:
// - NoReplaceFlag: renameat2(RENAME_NOREPLACE), atomic: the target is never replaced;
// - LinkThenUnlink: without the flag, link then unlink: atomic too (link fails on an existing
//   target); a crash between the two leaves the file under both names, never lost;
// - CheckThenRename: without hard links either (FAT, exFAT, some network mounts), the new name is
//   claimed with an empty file created exclusively, and the file renamed onto its claim: another
//   program cannot take the name in between, and a file system that refuses the name refuses the
//   claim before the file is touched.
// The program always starts at the first and falls back as the file system answers; tests make it
// start at another to run the fallbacks on any file system.
enum class RenamePath { NoReplaceFlag, LinkThenUnlink, CheckThenRename };
void useRenamePath(RenamePath path);

// Opens the folder of a rename pass once, for renameNoReplaceAt. The full paths of a pass are
// folder + "/" + name, so an empty folder is the root. Empty when the folder cannot be opened.
UniqueFd openRenameFolder(const std::string& folder);

// The rename pass of the confirmation rows: the folder is opened once, locked against another
// Mox-Tal pass, and every "Replace" row is renamed in it with renameNoReplaceAt; a folder that
// cannot be opened, one that is not the listed folder when that is given, and one where another
// pass is under way give "Failed" rows (with kFolderReplaced or kFolderBusy as their error).
// The hooks hear of the pass (the log's rows record each file's identity unless hooks.identify says
// otherwise); beforeRename runs right before each rename is tried (another process acting in the
// middle of a pass, in the tests).
using BeforeRename = std::function<void(const std::string& oldName, const std::string& newName)>;
RenameLoopResult renameRowsInFolder(const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog = true,
                                    std::optional<FolderIdentity> listed = std::nullopt,
                                    const BeforeRename& beforeRename = {}, RenamePassHooks hooks = {});
// The same in the folder open as folderFd (whose path is folder), which the caller has locked.
RenameLoopResult renameRowsAt(int folderFd, const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                              RenamePassHooks hooks = {}, const BeforeRename& beforeRename = {});

// The pass of a plan, the one way the confirmation dialog's "Rename" and moxtal-cli --rename carry
// one out: the plan's rows are renamed in the plan's folder, which must still be the folder listed
// (renameRowsInFolder).
RenameLoopResult renamePlan(RenamePlan& plan, bool keepLog, RenamePassHooks hooks = {});
// The same in the plan's folder open as folderFd, which the caller has held open and locked since
// it listed it (renameRowsAt).
RenameLoopResult renamePlanAt(int folderFd, RenamePlan& plan, bool keepLog, RenamePassHooks hooks = {});

// Renames a logged file back (Folder + To to Folder + From) with renameNoReplaceAt; the folder
// stays open (and locked against a pass) for the rows of the same folder that follow. A row with
// the file's identity goes back only when the new name holds that very file; when the old name
// still holds it, the row's rename never ran (a row written ahead of a kill) and the row is done.
class RenameBackOnDisk {
public:
    RenameBackOnDisk();
    ~RenameBackOnDisk();
    UndoRowResult operator()(const TLogEntry& entry);

private:
    bool openFolderOf(const TLogEntry& entry);
    void removeEmptyClaim(const TLogEntry& entry, const FileIdentity& renamed);

    std::string m_folder;
    UniqueFd m_folderFd;
    int m_openError = 0;
    bool m_withInode = false;
    bool m_withTime = true;
    std::unique_ptr<FolderLock> m_lock;
    std::unique_ptr<FolderEntries> m_entries;
};

// Undoes logged renames as the log's undo does (undoLogRows), renaming Folder + To back to
// Folder + From with renameNoReplaceAt; rows of one folder in a row share one open folder.
UndoOutcome undoLogRowsOnDisk(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions);

}  // namespace moxtal
