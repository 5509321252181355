#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/listing.h"

namespace moxtal {

// One folder as the tree shows it.
struct FolderItem {
    std::string displayName;
    std::string path;  // full path; a drive root keeps its final "/"
    bool removable = false;
};

// What the folder tree needs of the file system, so that tests can give it a fake one.
class FolderSource {
public:
    virtual ~FolderSource() = default;
    virtual std::string computerName() const { return "Computer"; }
    virtual std::string computerPath() const { return "computer:"; }
    // The drive roots under the computer node, in order.
    virtual std::vector<FolderItem> drives() const = 0;
    // A folder's subfolders (each a folder when it was read, so the tree asks no more), hidden
    // ones included; nothing when the folder cannot be read. Both reads tell progress, when given,
    // how far they got now and then; false stops them: then there is nothing, as for a folder that
    // cannot be read.
    virtual std::optional<std::vector<FolderItem>> subfolders(const std::string& path,
                                                              const ListingProgress& progress) const = 0;
    // For each of children (subfolders of the folder at path, as subfolders gave them), whether it
    // has at least one subfolder (each probe stops at the first); progress counts the children.
    virtual std::optional<std::vector<char>> haveSubfolders(const std::string& path,
                                                            const std::vector<FolderItem>& children,
                                                            const ListingProgress& progress) const = 0;
};

// The real file system: "/" first, then the volumes mounted under /media, /run/media and /mnt.
class RealFolderSource : public FolderSource {
public:
    std::vector<FolderItem> drives() const override;
    std::optional<std::vector<FolderItem>> subfolders(const std::string& path,
                                                      const ListingProgress& progress) const override;
    std::optional<std::vector<char>> haveSubfolders(const std::string& path, const std::vector<FolderItem>& children,
                                                    const ListingProgress& progress) const override;
};

}  // namespace moxtal
