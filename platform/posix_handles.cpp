#include "posix_handles.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace moxtal {

std::optional<FolderIdentity> identityOf(int fd)
{
    struct stat st { };
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return FolderIdentity {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

UniqueFd openFolderFd(const std::string& path)
{
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

namespace {

// Hands fd to a new stream; the descriptor is closed when the stream cannot be made.
DirHandle streamOver(UniqueFd fd)
{
    if (!fd)
        return DirHandle();
    DIR* dir = ::fdopendir(fd.get());
    if (!dir)
        return DirHandle();
    fd.release();
    return DirHandle(dir);
}

}  // namespace

DirHandle openFolder(const std::string& path)
{
    return streamOver(openFolderFd(path));
}

DirHandle openFolder(int folderFd)
{
    return streamOver(UniqueFd(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
}

}  // namespace moxtal
