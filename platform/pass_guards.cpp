#include "pass_guards.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace moxtal {

namespace {

constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kFuseMagic = 0x65735546;

std::string runtimeLockFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder =
        runtime && runtime[0] == '/' ? std::string(runtime) + "/moxtal" : "/tmp/moxtal-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

}  // namespace

bool keepsInodeNumbers(int folderFd)
{
    struct statfs fs { };
    if (::fstatfs(folderFd, &fs) != 0)
        return false;
    const long kind = static_cast<long>(fs.f_type);
    return kind != MSDOS_SUPER_MAGIC && kind != kExfatMagic && kind != kFuseMagic;
}

std::optional<FileIdentity> fileIdentityAt(int folderFd, const std::string& name, bool withInode)
{
    struct stat st { };
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    FileIdentity id;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.inode = withInode ? static_cast<std::uint64_t>(st.st_ino) : 0;
    return id;
}

FolderLock FolderLock::take(int folderFd)
{
    FolderLock lock;
    // A description of its own: a lock belongs to the open description, not to the process.
    UniqueFd fd(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return lock;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        lock.m_fd = std::move(fd);
        return lock;
    }
    if (errno == EWOULDBLOCK) {
        lock.m_busy = true;
        return lock;
    }
    // The file system cannot lock a folder: a lock file of this machine stands in for it.
    struct stat st { };
    if (::fstat(fd.get(), &st) != 0)
        return lock;
    char name[64];
    std::snprintf(name, sizeof name, "/folder-%llx-%llx.lock", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    UniqueFd file(::open((runtimeLockFolder() + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (file && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
        lock.m_fd = std::move(file);
    else
        lock.m_busy = file && errno == EWOULDBLOCK;
    return lock;
}

}  // namespace moxtal
