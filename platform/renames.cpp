#include "renames.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "desktop.h"

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

bool sameFile(int dirFd, const std::string& a, const std::string& b)
{
    struct stat sa {
    }, sb {};
    if (::fstatat(dirFd, a.c_str(), &sa, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstatat(dirFd, b.c_str(), &sb, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool nameTaken(int dirFd, const std::string& name)
{
    struct stat st { };
    return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// Which of two names the folder holds as entries of exactly those bytes. Name look-ups cannot
// tell: on a case-insensitive file system both names find the same entry.
struct ExactEntries {
    bool first = false;
    bool second = false;
};
ExactEntries findExactEntries(int dirFd, const std::string& first, const std::string& second)
{
    ExactEntries found;
    const DirHandle dir = openFolder(dirFd);
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir.get())) {
        found.first = found.first || first == entry->d_name;
        found.second = found.second || second == entry->d_name;
    }
    return found;
}

// A new name taken by the file itself: a case change on a case-insensitive file system, where one
// entry answers to both names. Two entries (hard links of one file) are an existing target.
bool renameCaseChange(int fd, const std::string& oldName, const std::string& newName)
{
    if (!differOnlyInCase(oldName, newName) || !sameFile(fd, oldName, newName))
        return false;
    if (findExactEntries(fd, oldName, newName).second)
        return false;
    if (::renameat(fd, oldName.c_str(), fd, newName.c_str()) != 0)
        return false;
    // The system may report success for a rename onto the entry itself without changing it.
    const ExactEntries after = findExactEntries(fd, oldName, newName);
    return after.second && !after.first;
}

}  // namespace

void useRenamePath(RenamePath path)
{
    g_renamePath = path;
}

UniqueFd openRenameFolder(const std::string& folder)
{
    // A relative path (the computer node's "computer:") would name a folder below wherever the
    // program happens to run.
    if (folder.find('\0') != std::string::npos || (!folder.empty() && folder[0] != '/'))
        return UniqueFd();
    return openFolderFd(folder.empty() ? "/" : folder);
}

bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName)
{
    const UniqueFd dir = openRenameFolder(folder);
    return dir && renameNoReplaceAt(dir.get(), oldName, newName);
}

RenameLoopResult renameRowsInFolder(const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                                    std::optional<FolderIdentity> listed, const BeforeRename& beforeRename,
                                    const RowProgress& progress)
{
    UniqueFd folderFd = openRenameFolder(folder);
    // Another folder put at the listed one's path gets no rename: every row fails.
    if (listed && identityOf(folderFd.get()) != listed)
        folderFd.reset();
    return renameRowsAt(folderFd.get(), folder, rows, keepLog, {}, beforeRename, progress);
}

RenameLoopResult renameRowsAt(int folderFd, const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                              const RenameDone& done, const BeforeRename& beforeRename, const RowProgress& progress)
{
    return renameRows(
        folder, rows,
        [&](const std::string& oldName, const std::string& newName) {
            if (beforeRename)
                beforeRename(oldName, newName);
            return renameNoReplaceAt(folderFd, oldName, newName);
        },
        keepLog, done, progress);
}

bool renameNoReplaceAt(int fd, const std::string& oldName, const std::string& newName)
{
    // Every refusal leaves errno telling why, for the reason a "Failed" row shows.
    const auto refuse = [](int error) {
        errno = error;
        return false;
    };
    if (fd < 0)
        return refuse(EBADF);
    if (!isPlainName(oldName) || !isPlainName(newName))
        return refuse(EINVAL);
    const char* from = oldName.c_str();
    const char* to = newName.c_str();

    if (renameat2NoReplace(fd, from, to) == 0)
        return true;
    const int renameError = errno;
    if (renameError == EEXIST)
        return renameCaseChange(fd, oldName, newName) || refuse(EEXIST);
    if (renameError != EINVAL && renameError != ENOSYS && renameError != EOPNOTSUPP)
        return refuse(renameError);

    // The file system does not know the flag: a hard link fails on an existing target.
    if (linkWithoutFollowing(fd, from, to) == 0) {
        if (::unlinkat(fd, from, 0) == 0)
            return true;
        const int unlinkError = errno;
        ::unlinkat(fd, to, 0);  // keep the file under its old name only
        return refuse(unlinkError);
    }
    const int linkError = errno;
    if (linkError == EEXIST)
        return renameCaseChange(fd, oldName, newName) || refuse(EEXIST);
    if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != EXDEV && linkError != EMLINK)
        return refuse(linkError);
    if (nameTaken(fd, newName))
        return renameCaseChange(fd, oldName, newName) || refuse(EEXIST);
    return ::renameat(fd, from, fd, to) == 0;
}

bool RenameBackOnDisk::operator()(const TLogEntry& entry)
{
    if (!m_folderFd || entry.Folder != m_folder) {
        m_folder = entry.Folder;
        m_folderFd = openRenameFolder(entry.Folder);
    }
    return m_folderFd && renameNoReplaceAt(m_folderFd.get(), entry.To, entry.From);
}

UndoOutcome undoLogRowsOnDisk(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions)
{
    RenameBackOnDisk renameBack;
    return undoLogRows(entries, positions, [&](const TLogEntry& entry) { return renameBack(entry); });
}

}  // namespace moxtal
