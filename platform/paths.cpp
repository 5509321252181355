#include "paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace moxtal {

bool pathExists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    return isDirectory(folder);
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

std::string withoutFinalSlash(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

}  // namespace moxtal
