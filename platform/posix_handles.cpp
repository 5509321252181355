#include "posix_handles.h"

#include <fcntl.h>

namespace moxtal {

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
