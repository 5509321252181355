#include "subfolders.h"

#include <dirent.h>
#include <sys/stat.h>

#include "posix_handles.h"

namespace moxtal {

bool forEachSubfolder(const std::string& path, const std::function<bool(const std::string& name)>& visit)
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

}  // namespace moxtal
