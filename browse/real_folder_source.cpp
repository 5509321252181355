#include "folder_source.h"
#include "platform/mounts.h"
#include "platform/paths.h"
#include "platform/subfolders.h"

namespace moxtal {

std::vector<FolderItem> RealFolderSource::drives() const
{
    std::vector<FolderItem> drives {{"/", "/", false}};
    for (const std::string& path : removableMountPoints()) {
        const std::size_t slash = path.rfind('/');
        drives.push_back({path.substr(slash + 1), path, true});
    }
    return drives;
}

std::optional<std::vector<FolderItem>> RealFolderSource::subfolders(const std::string& path,
                                                                    const ListingProgress& progress) const
{
    std::vector<FolderItem> items;
    const bool readable = forEachSubfolder(
        path,
        [&](const std::string& name) {
            items.push_back({name, joinPath(path, name), false});
            return true;
        },
        progress);
    if (!readable)
        return std::nullopt;
    return items;
}

std::optional<std::vector<char>> RealFolderSource::haveSubfolders(const std::string& path,
                                                                  const std::vector<FolderItem>& children,
                                                                  const ListingProgress& progress) const
{
    std::vector<std::string> names;
    names.reserve(children.size());
    for (const FolderItem& child : children)
        names.push_back(child.displayName);
    return withSubfolders(path, names, progress);
}

}  // namespace moxtal
