#pragma once

#include <optional>
#include <string>

#include "core/rename_log.h"
#include "posix_handles.h"

namespace moxtal {

// Whether the file system of the folder keeps a file's inode number across mounts: FAT, exFAT and
// FUSE drivers hand numbers out afresh, so there an inode number tells nothing after a replug.
bool keepsInodeNumbers(int folderFd);

// The identity of the entry name in the folder (the entry itself, not what a link points at);
// empty with errno set when there is none. withInode false leaves the inode number 0.
std::optional<FileIdentity> fileIdentityAt(int folderFd, const std::string& name, bool withInode);

// One Mox-Tal pass at a time in a folder: an exclusive lock on the folder, or, where the file
// system cannot lock a folder (NFS, SMB), on a lock file named by the folder's device and inode in
// $XDG_RUNTIME_DIR/moxtal/. Two machines sharing a folder over the network are not kept apart.
// Never waits: a folder that another pass holds gives a busy lock. Where no lock can be had at all
// (no lock file can be made either), the pass goes on without one.
class FolderLock {
public:
    static FolderLock take(int folderFd);
    bool busy() const { return m_busy; }

private:
    UniqueFd m_fd;
    bool m_busy = false;
};

}  // namespace moxtal
