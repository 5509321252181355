#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/folder_rules.h"

namespace moxtal {

// The rules for names in the folder open at folderFd, for the prediction of a rename pass there.
// The file system comes from one fstatfs; a FUSE mount of a disk (fuseblk) is looked up in
// /proc/self/mountinfo and udev's database (blkid when udev does not know the disk), and ntfs-3g is
// taken to be mounted with windows_names, as desktops mount it. Whether the folder folds case is
// tried on it: one listed name with an ASCII letter, its letters in the other case, looked up (a
// second name only when the first tells nothing). An ext4, f2fs or tmpfs folder with the casefold
// flag folds as those do. Only a folder with no name to try falls back on what its kind usually
// does. Listed names are the folder's entries as the listing read them.
FolderRules rulesOfFolder(int folderFd, const std::vector<std::string>& listedNames);
FolderRules rulesOfFolder(int folderFd, const std::vector<std::string_view>& listedNames);

// Whether a rename in the folder gives the file a new modification time (fusefat writes the entry
// anew), so that the time cannot tell the renamed file afterwards.
bool renameResetsTimes(int folderFd);

}  // namespace moxtal
