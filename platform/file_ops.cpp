#include "file_ops.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "desktop.h"
#include "posix_handles.h"

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

int renameat2NoReplace(int dirFd, const char* oldName, const char* newName)
{
    return ::renameat2(dirFd, oldName, dirFd, newName, RENAME_NOREPLACE);
}

bool sameFile(int dirFd, const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::fstatat(dirFd, a.c_str(), &sa, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstatat(dirFd, b.c_str(), &sb, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool nameTaken(int dirFd, const std::string& name)
{
    struct stat st {};
    return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

}  // namespace

bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName)
{
    if (!isPlainName(oldName) || !isPlainName(newName) || folder.find('\0') != std::string::npos)
        return false;
    const UniqueFd dir(::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return false;
    const int fd = dir.get();
    const char* from = oldName.c_str();
    const char* to = newName.c_str();

    // A taken name is only acceptable as the same file under another letter case.
    auto renameCaseChange = [&] {
        return differOnlyInCase(oldName, newName) && sameFile(fd, oldName, newName) &&
               ::renameat(fd, from, fd, to) == 0;
    };

    if (renameat2NoReplace(fd, from, to) == 0)
        return true;
    const int renameError = errno;
    if (renameError == EEXIST)
        return renameCaseChange();  // on a case-insensitive file system the new name finds the old file
    if (renameError != EINVAL && renameError != ENOSYS && renameError != EOPNOTSUPP)
        return false;

    // The file system does not know the flag: a hard link fails on an existing target.
    if (::linkat(fd, from, fd, to, 0) == 0) {
        if (::unlinkat(fd, from, 0) == 0)
            return true;
        ::unlinkat(fd, to, 0);  // keep the file under its old name only
        return false;
    }
    const int linkError = errno;
    if (linkError == EEXIST)
        return renameCaseChange();
    if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != EXDEV && linkError != EMLINK)
        return false;
    if (nameTaken(fd, newName))
        return renameCaseChange();
    return ::renameat(fd, from, fd, to) == 0;
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string applicationFolder()
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return "./";
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? "./" : buffer.substr(0, slash + 1);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

}  // namespace moxtal

namespace moxtal {

std::string absolutePath(const std::string& given)
{
    std::string path = given;
    if (path.empty() || path[0] != '/') {
        std::vector<char> cwd(PATH_MAX);
        if (!::getcwd(cwd.data(), cwd.size()))
            return given;
        path = std::string(cwd.data()) + "/" + path;
    }
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t next = std::min(path.find('/', i), path.size());
        const std::string part = path.substr(i, next - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = next + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

}  // namespace moxtal
