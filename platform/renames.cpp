#include "renames.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "folder_rules.h"
#include "name_text.h"
#include "pass_guards.h"
#include "paths.h"

namespace moxtal {

namespace {

bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool differOnlyInCase(const std::string& a, const std::string& b)
{
    return a != b && equalsIgnoringCase(a, b);
}

RenamePath g_renamePath = RenamePath::NoReplaceFlag;

int renameat2NoReplace(int dirFd, const char* oldName, const char* newName)
{
    // A file system without the flag answers EINVAL; the tests make any one answer so.
    if (g_renamePath != RenamePath::NoReplaceFlag) {
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(dirFd, oldName, dirFd, newName, RENAME_NOREPLACE);
}

int linkWithoutFollowing(int dirFd, const char* oldName, const char* newName)
{
    // FAT, exFAT and some network mounts have no hard links: EPERM.
    if (g_renamePath == RenamePath::CheckThenRename) {
        errno = EPERM;
        return -1;
    }
    return ::linkat(dirFd, oldName, dirFd, newName, 0);
}

bool refuseWith(int error)
{
    errno = error;
    return false;
}

// Moves a file to another spelling of its name through the temporary name, on a folder that takes
// both spellings for one name; the first step is rolled back when the second fails.
bool renameThroughTemporary(int fd, const std::string& oldName, const std::string& newName, FolderEntries& entries)
{
    const std::string temporary = caseChangeTemporaryName(oldName);
    if (entries.has(temporary))
        return refuseWith(EEXIST);
    if (!renameNoReplaceAt(fd, oldName, temporary))
        return false;
    if (renameNoReplaceAt(fd, temporary, newName)) {
        entries.renamed(oldName, newName);
        return true;
    }
    const int error = errno;
    renameNoReplaceAt(fd, temporary, oldName);
    return refuseWith(error);
}

// The file system says newName is taken. When the only entry that answers to it is the file
// itself under another spelling (a folder that folds case), the rename is a case change and is
// carried out; the folder's entries decide, read once per pass, since FUSE drivers give each
// spelling its own inode number.
bool renameCaseChange(int fd, const std::string& oldName, const std::string& newName, FolderEntries* passEntries)
{
    if (!differOnlyInCase(oldName, newName))
        return refuseWith(EEXIST);
    FolderEntries ownEntries;
    FolderEntries& entries = passEntries ? *passEntries : ownEntries;
    if (!entries.load(fd) || !entries.has(oldName) || entries.has(newName) || entries.foldedCount(newName) != 1)
        return refuseWith(EEXIST);
    return renameThroughTemporary(fd, oldName, newName, entries);
}

}  // namespace

void useRenamePath(RenamePath path)
{
    g_renamePath = path;
}

std::string caseChangeTemporaryName(const std::string& oldName)
{
    // FNV-1a of the old name: the same row always gives the same name, so undo finds a file that a
    // kill left between the two steps. Not hidden: the file list shows it.
    std::uint64_t hash = 1469598103934665603ULL;
    for (const char c : oldName)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    char text[32];
    std::snprintf(text, sizeof text, "mx-case-%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool FolderEntries::load(int fd)
{
    if (m_loaded)
        return true;
    const DirHandle dir = openFolder(fd);
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get()))
        add(entry->d_name);
    m_loaded = true;
    return true;
}

bool FolderEntries::has(const std::string& name) const
{
    return m_exact.count(name) > 0;
}

std::size_t FolderEntries::foldedCount(const std::string& name) const
{
    const auto found = m_folded.find(toLowerName(name));
    return found == m_folded.end() ? 0 : found->second;
}

void FolderEntries::renamed(const std::string& oldName, const std::string& newName)
{
    if (!m_loaded || !m_exact.erase(oldName))
        return;
    auto found = m_folded.find(toLowerName(oldName));
    if (found != m_folded.end() && --found->second == 0)
        m_folded.erase(found);
    add(newName);
}

void FolderEntries::add(const std::string& name)
{
    if (m_exact.insert(name).second)
        ++m_folded[toLowerName(name)];
}

UniqueFd openRenameFolder(const std::string& folder)
{
    // A relative path (the computer node's "computer:") would name a folder below wherever the
    // program happens to run.
    if (folder.find('\0') != std::string::npos || (!folder.empty() && folder[0] != '/'))
        return UniqueFd();
    return openFolderFd(folder.empty() ? "/" : folder);
}

bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName,
                     std::optional<FileIdentity>* recorded, const WriteAhead& writeAhead)
{
    const UniqueFd dir = openRenameFolder(folder);
    if (!dir)
        return false;
    const FolderLock lock = FolderLock::take(dir.get());
    if (lock.busy())
        return refuseWith(EWOULDBLOCK);
    std::optional<FileIdentity> identity;
    if (recorded || writeAhead)
        identity = fileIdentityAt(dir.get(), oldName, keepsInodeNumbers(dir.get()));
    if (recorded)
        *recorded = identity;
    if (writeAhead && writeAhead({TLogEntry {oldName, newName, joinPath(folder, std::string()), identity}}) < 1)
        return refuseWith(EIO);
    return renameNoReplaceAt(dir.get(), oldName, newName);
}

RenameLoopResult renameRowsInFolder(const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                                    std::optional<FolderIdentity> listed, const BeforeRename& beforeRename,
                                    RenamePassHooks hooks)
{
    const UniqueFd folderFd = openRenameFolder(folder);
    const auto failEvery = [&](int error) {
        return renameRows(
            folder, rows, [error](const std::string&, const std::string&) { return refuseWith(error); }, keepLog);
    };
    if (!folderFd)
        return failEvery(errno);
    // Another folder put at the listed one's path gets no rename: every row fails.
    if (listed && identityOf(folderFd.get()) != listed)
        return failEvery(kFolderReplaced);
    const FolderLock lock = FolderLock::take(folderFd.get());
    if (lock.busy())
        return failEvery(kFolderBusy);
    return renameRowsAt(folderFd.get(), folder, rows, keepLog, std::move(hooks), beforeRename);
}

RenameLoopResult renamePlan(RenamePlan& plan, bool keepLog, RenamePassHooks hooks)
{
    return renameRowsInFolder(plan.folder, plan.rows, keepLog, plan.listed, {}, std::move(hooks));
}

RenameLoopResult renamePlanAt(int folderFd, RenamePlan& plan, bool keepLog, RenamePassHooks hooks)
{
    return renameRowsAt(folderFd, plan.folder, plan.rows, keepLog, std::move(hooks));
}

RenameLoopResult renameRowsAt(int folderFd, const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                              RenamePassHooks hooks, const BeforeRename& beforeRename)
{
    const bool withInode = keepsInodeNumbers(folderFd);
    // Only the file system's kind matters for names refused on their own: no probe of the folder.
    if (!hooks.rules)
        hooks.rules = rulesOfFolder(folderFd, std::vector<std::string> {});
    if (!hooks.identify)
        hooks.identify = [&](const std::string& name) { return fileIdentityAt(folderFd, name, withInode); };
    FolderEntries entries;
    return renameRows(
        folder, rows,
        [&](const std::string& oldName, const std::string& newName) {
            if (beforeRename)
                beforeRename(oldName, newName);
            return renameNoReplaceAt(folderFd, oldName, newName, &entries);
        },
        keepLog, hooks);
}

bool renameNoReplaceAt(int fd, const std::string& oldName, const std::string& newName, FolderEntries* entries)
{
    // Every refusal leaves errno telling why, for the reason a "Failed" row shows.
    if (fd < 0)
        return refuseWith(EBADF);
    if (!isPlainName(oldName) || !isPlainName(newName))
        return refuseWith(EINVAL);
    const char* from = oldName.c_str();
    const char* to = newName.c_str();
    const auto done = [&] {
        if (entries)
            entries->renamed(oldName, newName);
        return true;
    };

    if (renameat2NoReplace(fd, from, to) == 0)
        return done();
    const int renameError = errno;
    if (renameError == EEXIST)
        return renameCaseChange(fd, oldName, newName, entries);
    if (renameError != EINVAL && renameError != ENOSYS && renameError != EOPNOTSUPP)
        return refuseWith(renameError);

    // The file system does not know the flag: a hard link fails on an existing target.
    if (linkWithoutFollowing(fd, from, to) == 0) {
        if (::unlinkat(fd, from, 0) == 0)
            return done();
        const int unlinkError = errno;
        ::unlinkat(fd, to, 0);  // keep the file under its old name only
        return refuseWith(unlinkError);
    }
    const int linkError = errno;
    if (linkError == EEXIST)
        return renameCaseChange(fd, oldName, newName, entries);
    if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != EXDEV && linkError != EMLINK)
        return refuseWith(linkError);

    // Neither: claim the new name with an empty file of its own, created only where no entry
    // answers to the name, and rename onto that claim. Another program can no longer slip a file
    // under the name between a check and the rename. A claim that fails for another reason than
    // a taken name means the file system refuses the name: the rename is not tried.
    const UniqueFd claim(::openat(fd, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!claim) {
        const int claimError = errno;
        return claimError == EEXIST ? renameCaseChange(fd, oldName, newName, entries) : refuseWith(claimError);
    }
    // The claim bears the file's own time, so that undo tells a claim a kill left from an empty
    // file of the user's.
    struct stat source { };
    if (::fstatat(fd, from, &source, AT_SYMLINK_NOFOLLOW) == 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
        ::futimens(claim.get(), times);
    }
    if (::renameat(fd, from, fd, to) == 0)
        return done();
    const int moveError = errno;
    ::unlinkat(fd, to, 0);
    return refuseWith(moveError);
}

RenameBackOnDisk::RenameBackOnDisk() = default;
RenameBackOnDisk::~RenameBackOnDisk() = default;

bool RenameBackOnDisk::openFolderOf(const TLogEntry& entry)
{
    if (m_folderFd && entry.Folder == m_folder)
        return true;
    m_folder = entry.Folder;
    m_lock.reset();
    m_entries = std::make_unique<FolderEntries>();
    m_folderFd = openRenameFolder(entry.Folder);
    m_openError = errno;
    if (!m_folderFd)
        return false;
    m_withInode = keepsInodeNumbers(m_folderFd.get());
    m_withTime = !renameResetsTimes(m_folderFd.get());
    m_lock = std::make_unique<FolderLock>(FolderLock::take(m_folderFd.get()));
    return true;
}

UndoRowResult RenameBackOnDisk::operator()(const TLogEntry& entry)
{
    const auto failed = [](const std::string& reason) { return UndoRowResult {UndoStep::Failed, reason}; };
    if (!openFolderOf(entry))
        return failed(std::strerror(m_openError));
    if (m_lock->busy())
        return failed(failureReason(kFolderBusy));
    const int fd = m_folderFd.get();
    const auto renameBack = [&](const std::string& from) {
        if (renameNoReplaceAt(fd, from, entry.From, m_entries.get()))
            return UndoRowResult {UndoStep::Undone, {}};
        return failed(std::strerror(errno));
    };
    if (!entry.Identity)
        return renameBack(entry.To);

    // Only the file the pass renamed goes back: what holds the new name now must be it.
    const FileIdentity& renamed = *entry.Identity;
    const bool caseOnly = differOnlyInCase(entry.From, entry.To);
    // Two spellings of one name find the same entry where the folder folds case: its entries tell
    // which spelling the file has.
    const bool exactTo = !caseOnly || (m_entries->load(fd) && m_entries->has(entry.To));
    const bool exactFrom = !caseOnly || (m_entries->load(fd) && m_entries->has(entry.From));
    std::optional<FileIdentity> atTo = exactTo ? fileIdentityAt(fd, entry.To, m_withInode) : std::nullopt;
    // Where a rename writes a new time, only the size can tell the renamed file under its new name.
    if (atTo && !m_withTime)
        atTo->mtimeNs = renamed.mtimeNs;
    const int toError = errno;
    if (atTo && sameFile(renamed, *atTo))
        return renameBack(entry.To);
    // A row written ahead of a rename that failed or never ran: the old name still holds the file.
    if (const auto atFrom = exactFrom ? fileIdentityAt(fd, entry.From, m_withInode) : std::nullopt;
        atFrom && sameFile(renamed, *atFrom)) {
        removeEmptyClaim(entry, renamed);
        return {UndoStep::NeverRenamed, "the file still has its old name: its rename never ran"};
    }
    // A case change stopped between its two steps.
    const std::string temporary = caseChangeTemporaryName(entry.From);
    if (const auto atTemporary = fileIdentityAt(fd, temporary, m_withInode);
        atTemporary && sameFile(renamed, *atTemporary))
        return renameBack(temporary);
    if (!atTo)
        return failed(std::strerror(exactTo ? toError : ENOENT));
    return failed(failureReason(kNotTheRenamedFile));
}

void RenameBackOnDisk::removeEmptyClaim(const TLogEntry& entry, const FileIdentity& renamed)
{
    // The check-then-rename way claims the new name with an empty file bearing the file's time
    // before the rename; a kill in between leaves it.
    struct stat st { };
    if (!differOnlyInCase(entry.From, entry.To) &&
        ::fstatat(m_folderFd.get(), entry.To.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_size == 0 &&
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == renamed.mtimeNs)
        ::unlinkat(m_folderFd.get(), entry.To.c_str(), 0);
}

UndoOutcome undoLogRowsOnDisk(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions)
{
    RenameBackOnDisk renameBack;
    return undoLogRows(entries, positions, [&](const TLogEntry& entry) { return renameBack(entry); });
}

}  // namespace moxtal
