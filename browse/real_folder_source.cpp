#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "folder_source.h"
#include "platform/paths.h"
#include "platform/posix_handles.h"

namespace moxtal {

namespace {

// Mount points in /proc/self/mounts escape blanks and a few other bytes as octal "\ooo".
std::string unescapeMountPath(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool isUnder(const std::string& path, const std::string& base)
{
    return path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/';
}

// Calls visit(name) for every subfolder of path; false when the folder cannot be opened.
template <typename Visit> bool forEachSubfolder(const std::string& path, Visit visit)
{
    const DirHandle dir = openFolder(path);
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st { };
            folder = ::fstatat(dir.fd(), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder && !visit(name))
            break;
    }
    return true;
}

}  // namespace

std::vector<FolderItem> RealFolderSource::drives() const
{
    std::vector<FolderItem> drives {{"/", "/", false}};
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        fields >> device >> mountPoint;
        const std::string path = unescapeMountPath(mountPoint);
        if (!isUnder(path, "/media") && !isUnder(path, "/run/media") && !isUnder(path, "/mnt"))
            continue;
        const std::size_t slash = path.rfind('/');
        drives.push_back({path.substr(slash + 1), path, true});
    }
    return drives;
}

std::optional<std::vector<FolderItem>> RealFolderSource::subfolders(const std::string& path) const
{
    std::vector<FolderItem> items;
    const bool readable = forEachSubfolder(path, [&](const std::string& name) {
        items.push_back({name, joinPath(path, name), false});
        return true;
    });
    if (!readable)
        return std::nullopt;
    return items;
}

bool RealFolderSource::hasSubfolder(const std::string& path) const
{
    bool found = false;
    forEachSubfolder(path, [&](const std::string&) {
        found = true;
        return false;
    });
    return found;
}

bool RealFolderSource::isDirectory(const std::string& path) const
{
    return moxtal::isDirectory(path);
}

}  // namespace moxtal
