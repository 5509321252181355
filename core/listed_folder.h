#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moxtal {

// Which folder a descriptor is open on, whatever path leads to it now.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

// Every name a folder held ("." and ".." aside) when it was listed, and when it last changed then:
// while the folder has not changed since, these are still its names, and a large folder need not
// be read again to know them.
struct FolderNames {
    std::int64_t modified = 0;  // the folder's modification time, in nanoseconds
    // The folder had not changed for a while when it was listed. A change made within the same tick
    // of the file system's clock as the one before can leave the time as it was, so only a settled
    // folder's unchanged time proves its names unchanged.
    bool settled = false;
    std::vector<std::string> names;
};

}  // namespace moxtal
